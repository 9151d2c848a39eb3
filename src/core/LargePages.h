#pragma once

#include <QtGlobal>

/// Asks the kernel to back a large, freshly allocated buffer with large pages: filling it then
/// costs a handful of page faults instead of one per 4 KiB. Small buffers are left alone.
void AdviseLargePages(void* data, qsizetype bytes);
