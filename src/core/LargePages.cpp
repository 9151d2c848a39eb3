#include "LargePages.h"

#include <sys/mman.h>

void AdviseLargePages(void* data, qsizetype bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr quintptr HugePage = 2 << 20;
    if (bytes < qsizetype(2 * HugePage)) {
        return;
    }
    const quintptr begin = (quintptr(data) + HugePage - 1) & ~(HugePage - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes)) & ~(HugePage - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}
