#pragma once
// VMK_SANITIZED is defined in builds with the address sanitizer: there a lowered address space
// or a memory figure means nothing, as the sanitizer reserves terabytes of address space and
// keeps freed memory in quarantine.

#if defined(__SANITIZE_ADDRESS__)
#define VMK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VMK_SANITIZED 1
#endif
#endif
