#pragma once

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>

namespace pellisor {

// libjpeg reports fatal errors through error_exit, which must not return: jump back into the call
// that started the library, which turns the library's message into an Error after cleaning up.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] inline void jumpOnJpegError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

}  // namespace pellisor
