#include <cctype>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "Proxy/ProxyUi.h"
#include "core-interface/Debug.h"
#include "core-interface/WinApi.h"

namespace Nimbal {

namespace {

bool endsWithNoCase(const String& text, const char* suffix) {
    const int32_t n = static_cast<int32_t>(std::strlen(suffix));
    if (text.length() < n) return false;
    for (int32_t i = 0; i < n; ++i) {
        const char16_t c = text[text.length() - n + i];
        const char16_t lower = c < 128 ? static_cast<char16_t>(std::tolower(c)) : c;
        if (lower != static_cast<char16_t>(suffix[i])) return false;
    }
    return true;
}

// A name whose extension would be read back by another format (".obj", say)
// would get a ".nproxy" body under a foreign extension: it would not load,
// and a user's file of that name would be overwritten.
bool namesProxyFormat(const String& fileName) {
    std::unique_ptr<Abstract::FileFormat> format(formatForFile(fileName));
    return dynamic_cast<NProxyFormat*>(format.get()) != nullptr;
}

// The node's mesh after its modifiers, in object space; false when the
// object cannot become triangles.
bool meshOfNode(INode* node, TimeValue t, Mesh& mesh, bool& convertible) {
    convertible = false;
    if (!node) return false;
    ::Object* obj = node->EvalWorldState(t).obj;
    if (!obj || !obj->CanConvertToType(TRIOBJ_CLASS_ID)) return false;
    convertible = true;
    ::Object* converted = obj->ConvertToType(t, TRIOBJ_CLASS_ID);
    auto* tri = dynamic_cast<TriObject*>(converted);
    if (tri) mesh = tri->GetMesh();
    if (converted && converted != obj) converted->DeleteThis();
    return tri != nullptr;
}

String nameOr(const MCHAR* name) {
    return name && *name ? String(name) : String("[none]");
}

int elapsedMs(std::clock_t start) {
    return static_cast<int>(1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
}

}  // namespace

bool Proxy::createFromNode(INode* node, const String& fileName) {
    Interface* ip = GetCOREInterface();
    const TimeValue t = ip->GetTime();

    // Converted before anything of this proxy is touched: picking the proxy's
    // own node makes a copy of its file, and a refused object changes nothing.
    Mesh mesh;
    bool convertible = false;
    bool converted = meshOfNode(node, t, mesh, convertible);
    if (!convertible) {
        MessageBox(ip->GetMAXHWnd(), u"Proxy can only by created from a geometric object convertable to triangles.",
                   u"Nimbal Error", MB_OK | MB_ICONERROR);
        return false;
    }
    // A file without faces cannot be read back.
    if (mesh.getNumFaces() == 0) converted = false;

    pointCloud.clear();
    data.reset();

    ProxyFileInfo info;
    Mtl* material = node->GetMtl();
    info.originalMaterialName = material ? nameOr(material->GetName().c_str()) : String("[none]");
    info.originalObjectName = nameOr(node->GetName());
    ::Object* source = node->GetObjectRef();

    bool ok = false;
    if (converted && namesProxyFormat(fileName)) {
        const std::clock_t start = std::clock();
        NProxyFormat format(fileName);
        try {
            ok = format.write(mesh, info);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        DEBUG_PRINT(String("Saving proxy: elapsed: ") + elapsedMs(start));
    }
    if (ok) {
        // Load first: the scene object is given up only for a proxy that works.
        pblock->SetValue(proxy_filename, 0, fileName.c_wstr());
        ok = data.isLoaded();
    }
    if (!ok) {
        pblock->SetValue(proxy_filename, 0, u"");
        if (!ip->GetQuietMode())
            MessageBox(ip->GetMAXHWnd(), u"Cannot save to the specified file", u"Error", MB_OK | MB_ICONERROR);
        return false;
    }

    if (source && source != this) {
        for (INode* n : ip->AllNodes())
            if (n->GetObjectRef() == source) n->SetObjectRef(this);
    }
    return true;
}

String ProxyConversionReport::text() const {
    String report = String("Successfully resaved ") + converted + " proxies.";
    if (failed > 0) report += String("\n") + failed + " proxies failed:\n" + failures;
    return report;
}

ProxyConversionReport convertProxiesInDirectory(const String& root, const std::function<void(int, int)>& progress) {
    static const char* const extensions[] = {".nbin", ".nmesh", ".obj", ".nzmesh"};
    Stack<String> candidates;
    for (const String& file : WinApi::getFiles(root, true, false, true)) {
        for (const char* ext : extensions) {
            if (endsWithNoCase(file, ext)) {
                candidates.push(file);
                break;
            }
        }
    }

    ProxyConversionReport report;
    for (int32_t i = 0; i < candidates.size(); ++i) {
        const String& file = candidates[i];
        Mesh mesh;
        ProxyFileInfo info;
        bool read = false;
        {
            std::unique_ptr<Abstract::FileFormat> format(formatForFile(file));
            try {
                read = format->read(mesh, info);
            } catch (const std::bad_alloc&) {
                read = false;
            }
        }
        if (!read) {
            ++report.failed;
            report.failures += String("Cannot load: ") + file + "\n";
        } else {
            int32_t dot = file.length();
            while (dot > 0 && file[dot - 1] != u'.') --dot;
            const String target = String(file.c_wstr(), dot - 1) + ".nproxy";
            NProxyFormat writer(target);
            bool written = false;
            try {
                written = writer.write(mesh, info);
            } catch (const std::bad_alloc&) {
                written = false;
            }
            if (written) {
                ++report.converted;
            } else {
                ++report.failed;
                report.failures += String("Cannot save: ") + file + "\n";
            }
        }
        if (progress) progress(i + 1, candidates.size());
    }
    return report;
}

}  // namespace Nimbal
