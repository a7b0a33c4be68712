#pragma once

// While it lives, the calling thread meets file permissions as any user
// does, root too: the capabilities that let root read and write past them
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) leave its effective set, and
// access() judges by that set as well. They stay permitted and come back at
// the end. A process without them is left as it is.
class PermissionsBind {
public:
    PermissionsBind();
    ~PermissionsBind();
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

private:
    bool dropped_ = false;
    int securebits_ = -1;
};
