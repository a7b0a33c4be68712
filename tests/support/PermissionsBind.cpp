#include "PermissionsBind.h"

#include <linux/capability.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr __u32 kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capability sets (both are in the first word).
bool capabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

PermissionsBind::PermissionsBind()
{
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data) || !(data[0].effective & kOverrides))
        return;
    // For a real root user access() checks with the permitted set instead,
    // unless this bit says not to.
    const int bits = ::prctl(PR_GET_SECUREBITS);
    if (bits >= 0 && !(bits & SECBIT_NO_SETUID_FIXUP)
        && ::prctl(PR_SET_SECUREBITS, bits | SECBIT_NO_SETUID_FIXUP) == 0)
        securebits_ = bits;
    data[0].effective &= ~kOverrides;
    dropped_ = setCapabilities(data);
}

PermissionsBind::~PermissionsBind()
{
    __user_cap_data_struct data[2] = {};
    if (dropped_ && capabilities(data)) {
        data[0].effective |= data[0].permitted & kOverrides;
        setCapabilities(data);
    }
    if (securebits_ >= 0)
        ::prctl(PR_SET_SECUREBITS, securebits_);
}
