#include "platform/qt/freed_heap.h"

#include <malloc.h>

namespace pigmora::qt {

void ReturnFreedHeap() {
  malloc_trim(0);
}

}  // namespace pigmora::qt
