// Asset tracking: objects report the external files they use through
// Animatable::EnumAuxFiles, either as plain records or, when the host asks for
// accessors, as objects through which the host can also re-path the file.
#pragma once

#include <utility>

#include "host/Types.h"

// Enumeration flags.
constexpr DWORD FILE_ENUM_INACTIVE = 0x0001;
constexpr DWORD FILE_ENUM_ACCESSOR_INTERFACE = 0x0400;

// A file as the asset system knows it: its name and the owner's asset type.
class AssetUser {
public:
    AssetUser() = default;
    AssetUser(MSTR fileName, int type) : fileName_(std::move(fileName)), type_(type) {}
    const MSTR& GetFileName() const { return fileName_; }
    int GetType() const { return type_; }

private:
    MSTR fileName_;
    int type_ = 0;
};

class IAssetAccessor {
public:
    virtual ~IAssetAccessor() = default;
    virtual int GetAssetType() const = 0;
    virtual AssetUser GetAsset() const = 0;
    // Points the owner at another file; false when it refuses.
    virtual bool SetAsset(const AssetUser& asset) = 0;
};

class AssetEnumCallback {
public:
    virtual ~AssetEnumCallback() = default;
    virtual void RecordAsset(const AssetUser& asset) = 0;
};

// What the host passes with FILE_ENUM_ACCESSOR_INTERFACE. The accessor lives
// only for the call.
class IEnumAuxAssetsCallback : public AssetEnumCallback {
public:
    virtual void DeclareAsset(IAssetAccessor& accessor) = 0;
};
