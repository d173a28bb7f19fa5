#pragma once
#include <windows.h>

// Security attributes whose DACL is null, for named objects that processes of every account
// open (the log mutex, the capture's per-job objects). Not inheritable.
class NullDaclAttributes {
public:
    NullDaclAttributes() {
        ok_ = InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
        attributes_.nLength = sizeof(attributes_);
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    NullDaclAttributes(const NullDaclAttributes&) = delete;
    NullDaclAttributes& operator=(const NullDaclAttributes&) = delete;

    // Null when the descriptor could not be made: the object then gets the default security.
    SECURITY_ATTRIBUTES* Get() { return ok_ ? &attributes_ : nullptr; }

private:
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ok_ = false;
};
