#include "app/Seams.h"

namespace flipdeck::seams {

std::function<BOOL(const char*, const char*, DWORD)> MovePath = [](const char* source, const char* target,
                                                                  DWORD flags) {
    return MoveFileExA(source, target, flags);
};

}  // namespace flipdeck::seams
