#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "PluginHost.h"

namespace cli {

void addClassesCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("classes", "List the library's classes as the host registers them");
    auto json = std::make_shared<bool>(false);
    cmd->add_flag("--json", *json, "Print a JSON array");
    cmd->callback([json] {
        PluginHost& host = PluginHost::Get();
        nlohmann::json rows = nlohmann::json::array();
        int index = 0;
        for (ClassDesc* cd : host.Classes()) {
            ReferenceTarget* obj = host.Create(cd);
            const std::string cls = PluginClassName(obj);
            obj->DeleteMe();
            rows.push_back({{"index", index++},
                            {"class", cls},
                            {"className", ToUtf8(cd->ClassName())},
                            {"category", ToUtf8(cd->Category())},
                            {"superClassId", cd->SuperClassID()},
                            {"classId", {cd->ClassID().PartA(), cd->ClassID().PartB()}}});
        }
        if (*json) {
            std::cout << rows.dump(2) << "\n";
            return;
        }
        std::cout << std::left << std::setw(6) << "index" << std::setw(18) << "class" << std::setw(24) << "class name"
                  << std::setw(18) << "category" << std::setw(13) << "super-class" << "Class_ID\n";
        for (const auto& r : rows) {
            std::cout << std::left << std::setw(6) << r["index"].get<int>() << std::setw(18)
                      << r["class"].get<std::string>() << std::setw(24) << r["className"].get<std::string>()
                      << std::setw(18) << r["category"].get<std::string>() << std::setw(13)
                      << Hex(r["superClassId"].get<uint32_t>()) << Hex(r["classId"][0].get<uint32_t>()) << ", "
                      << Hex(r["classId"][1].get<uint32_t>()) << "\n";
        }
    });
}

}  // namespace cli
