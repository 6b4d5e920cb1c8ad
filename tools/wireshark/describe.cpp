// Prints the processor's description, the JSON of `dapctl describe --json`, for the build of
// the Wireshark plugin: one small program on the model, with no network code.
#include "model/model.h"

#include <cstdio>

int main()
{
    const QByteArray json = model::describeJson();
    const size_t size = size_t(json.size());
    return std::fwrite(json.constData(), 1, size, stdout) == size ? 0 : 1;
}
