#pragma once
// The compiled pictures of res/ (tool bar strip, icons, splash) live in a static library, whose
// resource initialiser the program must call once before the first ":/res/..." path is used.

namespace vmk {
void InitResources();
}
