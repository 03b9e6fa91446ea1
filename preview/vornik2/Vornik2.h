/* The conversion library: a JPEG file to a 24-bit picture (red, green,
 * blue; top row first; rows packed). Two calls, always as a pair: the first
 * converts the file and keeps the picture, the second hands it over.
 * Results are 32-bit signed; negative means failure. */
#ifndef VORNIK2_H
#define VORNIK2_H
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(VORNIK2_BUILD)
#define VORNIK2_API __declspec(dllexport)
#elif defined(_WIN32)
#define VORNIK2_API __declspec(dllimport)
#else
#define VORNIK2_API __attribute__((visibility("default")))
#endif

/* Size of the information record the caller provides. */
#define VORNIK2_INFO_SIZE 112
/* Byte offsets of the picture's width and height (32-bit little-endian). */
#define VORNIK2_INFO_WIDTH 16
#define VORNIK2_INFO_HEIGHT 20
/* The largest picture converted, in pixels: what 1 GiB of RGB holds. */
#define VORNIK2_MAX_PIXELS (1073741824 / 3)

/* path: the file, CP932 (the program's encoding); mode: 1; info: 112
 * bytes, filled on success. A picture of zero size, above the pixel limit,
 * or that the decoder rejects is a failure. */
VORNIK2_API int32_t jpegJpegToBmpDFCnvToBuf(const char* path, int32_t mode, void* info);

/* Copies the kept picture into buffer (width x height x 3 bytes) and
 * releases it. Fails when nothing is kept or the size differs. */
VORNIK2_API int32_t jpegConvertedBmpBufGet(uint8_t* buffer, int32_t width, int32_t height);

#ifdef __cplusplus
}
#endif
#endif
