// The background digest check on arbitrary content.
#include "config/backgroundsignature.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), int(size));
    const bool valid = BackgroundSignature::isValid(content);
    // Signing what came in always gives a valid file.
    if (!BackgroundSignature::isValid(BackgroundSignature::sign(content)))
        abort();
    (void)valid;
    return 0;
}
