// WSJT-X and JTDX datagrams off the network: read, and what was read written
// back must read the same.

#include "fuzz_support.h"

#include "link/wsjtx_datagram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const wsjtx::ReadResult r = wsjtx::readDatagram(bytes);
    if (r.datagram.has_value() == (r.drop != wsjtx::Drop::None)) __builtin_trap();
    if (!r.datagram) return 0;
    if (const auto* q = std::get_if<wsjtx::QsoLogged>(&r.datagram->body)) {
        const wsjtx::ReadResult again =
            wsjtx::readDatagram(wsjtx::qsoLoggedDatagram(r.datagram->id, *q, r.datagram->schema));
        if (!again.datagram || std::get<wsjtx::QsoLogged>(again.datagram->body).dxCall != q->dxCall)
            __builtin_trap();
    }
    return 0;
}
