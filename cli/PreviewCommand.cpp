// nimbal preview: a map's viewport image as a 16-bit PNG. The map is made
// through its descriptor and its parameters are set the way a script sets
// them; nested maps are reached with dotted names.
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "MapExpression.h"
#include "PluginHost.h"

namespace cli {
namespace {

// Keeps the 16-bit pixels of the last bitmap the map converts: the full
// precision preview, before the 8-bit viewport image.
class KeepingTexHandleMaker : public TexHandleMaker {
public:
    explicit KeepingTexHandleMaker(int size) : size_(size) {}
    int Size() override { return size_; }
    BITMAPINFO* BitmapToDIB(Bitmap* bm, int symflags, int extraFlags, int forceW, int forceH) override {
        if (bm) {
            width = bm->Width();
            height = bm->Height();
            pixels.assign(size_t(width) * size_t(height), BMM_Color_64{});
            for (int y = 0; y < height; ++y) bm->GetPixels(0, y, width, pixels.data() + size_t(y) * size_t(width));
        }
        return TexHandleMaker::BitmapToDIB(bm, symflags, extraFlags, forceW, forceH);
    }

    int width = 0, height = 0;
    std::vector<BMM_Color_64> pixels;

private:
    int size_;
};

void WritePreview(KeepingTexHandleMaker& thmaker, const std::string& out) {
    BitmapInfo bi;
    bi.SetWidth(thmaker.width);
    bi.SetHeight(thmaker.height);
    bi.SetType(BMM_TRUE_64);
    bi.SetFlags(MAP_HAS_ALPHA);
    bi.SetName(FromUtf8(out).c_str());
    Bitmap* bm = TheManager->Create(&bi);
    if (!bm) throw Failure{"the preview is too large to write"};
    for (int y = 0; y < thmaker.height; ++y)
        bm->PutPixels(0, y, thmaker.width, thmaker.pixels.data() + size_t(y) * size_t(thmaker.width));
    std::string error;
    // With gamma correction on, maps work in linear values; the file says so.
    const BMMRES res = TheManager->Save(bm, FromUtf8(out).c_str(), gammaMgr.IsEnabled() ? 1.0f : 0.0f, &error);
    bm->DeleteThis();
    if (res != BMMRES_SUCCESS) throw Failure{error.empty() ? "cannot write " + out : error};
}

}  // namespace

void addPreviewCommand(CLI::App& app) {
    auto* cmd = app.add_subcommand("preview", "Write a map's viewport preview as a 16-bit PNG");
    auto name = std::make_shared<std::string>();
    auto sets = std::make_shared<std::vector<std::string>>();
    auto size = std::make_shared<int>(256);
    auto out = std::make_shared<std::string>();
    auto noGamma = std::make_shared<bool>(false);
    cmd->add_option("CLASSNAME", *name, "Map class, e.g. NimbalMix or Bitmap (see `nimbal classes`)")->required();
    cmd->add_option("--set", *sets,
                    "NAME=VALUE, repeatable, applied in order. NAME may be dotted (texmapTop.color) and indexed "
                    "(colors[2]); a map parameter takes a class name, @FILE.png or none");
    cmd->add_option("--size", *size, "Texture size the viewport asks for")->check(CLI::Range(1, 8192))->capture_default_str();
    cmd->add_option("-o,--output", *out, "PNG file to write")->required();
    cmd->add_flag("--no-gamma", *noGamma, "Turn the host's gamma correction off (files are read as they are)");
    cmd->callback([name, sets, size, out, noGamma] {
        PluginHost& host = PluginHost::Get();
        if (*noGamma) gammaMgr.Enable(FALSE);
        RefHolder root(CreateMap(host, *name));
        auto* map = static_cast<Texmap*>(root.Get());
        ParamSetter setter(host);
        try {
            for (const std::string& s : *sets) setter.Set(map, s);
        } catch (const Usage& u) {
            throw CLI::ValidationError("--set", u.message);
        }
        KeepingTexHandleMaker thmaker(*size);
        Interval valid = FOREVER;
        BITMAPINFO* dib = map->GetVPDisplayDIB(0, thmaker, valid, FALSE, 0, 0);
        FreeDIB(dib);
        if (thmaker.pixels.empty()) throw Failure{*name + " gives no preview (it has no map to show)"};
        WritePreview(thmaker, *out);
    });
}

}  // namespace cli
