#include "CapsuleOperations.h"

#include <optional>

using namespace fwstore;

namespace eficorvid {

namespace {

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t offset)
{
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

// An injected fault answers instead of the work, except status 10: the library reports
// that one after the work is done (the driver would not unload), so the work still happens.
std::optional<uint32_t> TakeCapsuleFault(StoreImage& image, StoreOperation operation, bool& skipWork)
{
    auto fault = TakeFault(image, operation, nullptr, nullptr);
    skipWork = fault.has_value() && *fault != CORVID_DRIVER_UNINSTALL_FAILED;
    return fault;
}

OperationResult WithFault(std::optional<uint32_t> fault, OperationResult result)
{
    if (!fault)
        return result;
    return {result.status == CORVID_SUCCESS ? *fault : result.status, true};
}

} // namespace

uint32_t CheckCapsuleHeader(std::span<const uint8_t> capsule)
{
    if (capsule.size() < CAPSULE_HEADER_BYTES)
        return CORVID_INVALID_PARAMETER;
    uint32_t headerSize = ReadU32(capsule, 16);
    uint32_t flags = ReadU32(capsule, 20);
    uint32_t imageSize = ReadU32(capsule, 24);
    if (headerSize < CAPSULE_HEADER_BYTES || headerSize > capsule.size() || imageSize != capsule.size())
        return CORVID_INVALID_PARAMETER;
    // Firmware refuses a capsule that asks for a reset but would not survive it.
    if ((flags & CAPSULE_FLAG_INITIATE_RESET) != 0 && (flags & CAPSULE_FLAG_PERSIST_ACROSS_RESET) == 0)
        return CORVID_INVALID_PARAMETER;
    return CORVID_SUCCESS;
}

uint32_t StageCapsule(StoreImage& image, std::span<const uint8_t> capsule, bool arm)
{
    if (capsule.size() > MAX_CAPSULE_BYTES)
        return CORVID_OUT_OF_RESOURCES;
    if (uint32_t status = CheckCapsuleHeader(capsule))
        return status;
    image.capsule.image.assign(capsule.begin(), capsule.end());
    image.capsule.state = arm ? CAPSULE_ARMED : CAPSULE_STAGED;
    return CORVID_SUCCESS;
}

OperationResult PrepareCapsuleIn(StoreImage& image, const void* capsule, uint32_t size)
{
    if (capsule == nullptr || size == 0)
        return {CORVID_INVALID_PARAMETER, false};
    bool skipWork = false;
    auto fault = TakeCapsuleFault(image, StoreOperation::PrepareCapsule, skipWork);
    if (skipWork)
        return {*fault, true};
    uint32_t status = StageCapsule(image, {static_cast<const uint8_t*>(capsule), size}, false);
    return WithFault(fault, {status, status == CORVID_SUCCESS});
}

OperationResult InvokeCapsuleIn(StoreImage& image, uint32_t reserved)
{
    if (reserved != 0)
        return {CORVID_INVALID_PARAMETER, false};
    bool skipWork = false;
    auto fault = TakeCapsuleFault(image, StoreOperation::InvokeCapsule, skipWork);
    if (skipWork)
        return {*fault, true};
    if (image.capsule.state == CAPSULE_EMPTY)
        return WithFault(fault, {CORVID_INVALID_PARAMETER, false});
    image.capsule.state = CAPSULE_ARMED;
    return WithFault(fault, {CORVID_SUCCESS, true});
}

OperationResult GetLastStatusIn(StoreImage& image, uint32_t* status)
{
    if (status == nullptr)
        return {CORVID_INVALID_PARAMETER, false};
    bool skipWork = false;
    auto fault = TakeCapsuleFault(image, StoreOperation::GetLastStatus, skipWork);
    if (skipWork)
        return {*fault, true};
    *status = image.capsule.lastStatus;
    return WithFault(fault, {CORVID_SUCCESS, false});
}

} // namespace eficorvid
