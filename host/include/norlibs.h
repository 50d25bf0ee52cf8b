// Host utility library: text validation and escaping, feature-state start-up.
#ifndef NORLIBS_H_
#define NORLIBS_H_

#include <sys/types.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

#define NORLIBS_EXPORT __attribute__((visibility("default")))

/// Encoding codes understood by the Unicode_ functions. Any other code is treated as opaque
/// bytes: every buffer is valid and escaping copies it unchanged.
#define UNICODE_ENCODING_UTF8 0

#ifdef __cplusplus
extern "C" {
#endif

/// Returns true when the `length` bytes at `buffer` are well-formed in `encoding`. A negative
/// `length` means "up to the terminating NUL". A NULL buffer is valid only when `length` is 0.
NORLIBS_EXPORT bool Unicode_IsBufferValid(const void* buffer, ssize_t length, int encoding);

/// Returns a malloc'd, NUL-terminated copy of the buffer (length as above) in which every byte
/// that is not part of a well-formed UTF-8 sequence, and every NUL within an explicit length,
/// is written as "\xHH" (upper-case hex).
/// The notation is for display only: a backslash already in the text is copied as is, so the
/// escaping cannot be undone. Returns NULL when `buffer` is NULL or memory runs out.
NORLIBS_EXPORT char* Unicode_EscapeBuffer(const void* buffer, ssize_t length, int encoding);

/// Start-up of the host's feature-state machinery. Has no observable effect here; calling it
/// any number of times is harmless.
NORLIBS_EXPORT void FeatureState_InitDeltaMode(void);

#ifdef __cplusplus
}
#endif

#endif  // NORLIBS_H_
