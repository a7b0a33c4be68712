#include "filling/RunContext.h"

RunContext& runContext()
{
    static RunContext context;
    return context;
}
