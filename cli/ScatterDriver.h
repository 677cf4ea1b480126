// The scatter object as a host drives it: created through its descriptor,
// its node tables filled the way the rollout's list boxes fill them, its
// parameters set by internal name the way a script sets them, and its
// instances read through the published "ScatterOps" functions, as a
// renderer reads them.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "PluginHost.h"
#include "TopViewPicture.h"

namespace cli {

// A scene node made from a file the way a user brings one in: a proxy
// object for the proxy formats (.nproxy, .nmesh, .nzmesh, .nbin), a
// triangle mesh through the import library for any other mesh file (OBJ
// included). The node is named after the file.
struct FileNode {
    INode* node = nullptr;
    bool proxy = false;
    int faces = 0;  // of the mesh the node shows
};
FileNode NodeFromFile(const std::string& path);

// "FILE" or "FILE:WEIGHT". A text that names an existing file is a file
// name even when it ends in ":<number>".
struct WeightedFile {
    std::string file;
    double weight = 1.0;
    bool weighted = false;  // a weight was given
};
bool ParseWeightedFile(const std::string& text, WeightedFile& out, std::string& error);

// One instance as "ScatterOps" tells it.
struct InstanceRecord {
    INode* node = nullptr;
    Matrix3 tm;  // rows 0-2 the transform's columns, row 3 its translation
};

// A scatter in a node of the scene. A handle: copies name the same scatter.
class ScatterNode {
public:
    // A new scatter through the class descriptor, in a new node.
    static ScatterNode Create(const std::string& nodeName = "Nimbal Scatter");
    // The scatter a node of the scene shows (a loaded scene's, say); a
    // Failure when it shows none.
    static ScatterNode Of(INode* node);
    // Every node of the scene that shows a scatter.
    static std::vector<INode*> FindAll();

    INode* Node() const { return node_; }
    Object* Scatter() const { return scatter_; }
    IParamBlock2* Block() const;

    // A scripted set by internal name at t; a refusal is a Failure.
    void Set(std::string_view param, const PB2Value& value, TimeValue t, int tabIndex = 0);
    // The parameter's id through the block's descriptor.
    ParamID Id(std::string_view param) const;

    // What the rollout's list boxes do with a picked node: the validator
    // is asked first (a refused node is a Failure), then the node is
    // appended, which appends 1.0 to the companion table; a weight other
    // than that is then set in the companion entry.
    void AddDistributionObject(INode* node, double density, TimeValue t);
    void AddScatteredObject(INode* node, double frequency, TimeValue t);
    std::vector<INode*> DistributionObjects() const;
    std::vector<INode*> ScatteredObjects() const;

    // "ScatterOps" functions.
    void Update(const Point3& renderCamera, TimeValue t);
    int NumInstances();
    INode* InstanceObject(int i);
    // One instance, through "getInstanceObject" and "getInstanceTm".
    InstanceRecord Instance(int i);
    // Every instance in order; `each` is called with the index and the
    // record.
    void ForEachInstance(const std::function<void(int, const InstanceRecord&)>& each);

private:
    ScatterNode(INode* node, Object* scatter) : node_(node), scatter_(scatter) {}
    INode* node_;
    Object* scatter_;
};

// The node's name in UTF-8.
std::string NodeName(INode* node);

// Shortest decimal text that reads back to the same float.
std::string FloatText(float v);

// The instance list as CSV (header instance,object,r0x,...,r3z) or JSON,
// chosen by the extension of `path` (.csv or .json). Written to a temporary
// file and renamed, so a failed run leaves no half file; a Failure when it
// cannot be written.
void WriteInstances(ScatterNode& scatter, const std::string& path);
// Whether `path` names a format WriteInstances writes.
bool IsInstanceFileName(const std::string& path);

// The scatter's viewport preview at t, seen from above, with its
// distribution objects drawn by their own display as wires, into a PNG
// whose longer side is `longSide` pixels.
TopViewPicture::Size DrawPreview(ScatterNode& scatter, TimeValue t, const std::string& path, int longSide);

// Runs `work` with the core's debug log diverted into memory, then passes
// the lines on where NIMBAL_DEBUG_LOG sends them (nowhere when it is
// unset) and returns them. The log is the only place the library reports a
// scatter whose instances did not fit in memory.
std::vector<std::string> WithDebugLog(const std::function<void()>& work);
// What went wrong in the last generation logged in `lines`, for the user;
// "" when it succeeded (or none ran).
std::string GenerationFailure(const std::vector<std::string>& lines);

}  // namespace cli
