#include "res/vmk_resources.h"

#include <QtGlobal>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void InitVmkRes()
{
    Q_INIT_RESOURCE(vmk_res);
}

namespace vmk {
void InitResources()
{
    InitVmkRes();
}
}  // namespace vmk
