#pragma once

#include "runtime/types.h"

namespace kestrilo {

// The WinHttp engine's reply as program text. `reply_text` is the body up
// to its first zero byte, read as GBK; `reply_bytes` the whole body. When a
// meta tag within the first 1024 bytes declares a character set other than
// "gbk" or "gb2312" (exact case), the whole body is decoded with it through
// an "Adodb.Stream" object and comes back as GBK text, bytes after a zero
// byte included. Otherwise, or without such an object, `reply_text` comes
// back as it is. Pending events are processed before it returns.
Text DecodeReplyText(const Text& reply_text, const Bytes& reply_bytes);

}  // namespace kestrilo
