// The logging program's link: bytes off a window's socket cut into frames,
// each message handled as the link handles the logging program's answers
// and requests (with no peer to answer back).

#include "fuzz_support.h"

#include "link/logging_link.h"
#include "platform/window_link.h"

#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::start(false);
    static QTemporaryDir links;
    static const bool set = qputenv("SENDVIK_LINK_DIR", links.path().toUtf8());
    (void)set;
    if (size > 65536) return 0;
    platform::LinkWindow window(QStringLiteral("TZkvmQSL-fuzz"),
                                [](const platform::LinkMessage&) { return qint64(0); });
    LinkParts parts;
    parts.programActive = [] { return true; };
    parts.recRead = [] { return true; };
    parts.setLastRecord = [](int) {};
    parts.showView = [](const LinkView&) {};
    parts.showCards = [](const QString&) { return qint64(0); };
    parts.closeViewer = [] {};
    parts.findReceivedCard = [](QString&, const LinkQso&) { return 0; };
    parts.startRegistrationTimer = [] {};
    parts.folders = [] { return CardFolders{}; };
    LoggingLink link(window, parts);
    QByteArray buffer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (int frames = 0; frames < 1000; ++frames) {
        bool bad = false;
        const std::optional<platform::LinkFrame> frame = platform::decodeLinkFrame(buffer, bad);
        if (!frame) {
            // Raw bytes as one message's text, as a frame's data may be.
            if (frames == 0)
                link.handleMessage(
                    {0, 1,
                     QByteArray(reinterpret_cast<const char*>(data),
                                static_cast<qsizetype>(std::min<size_t>(size, 4096)))});
            break;
        }
        if (frame->data.size() > platform::kMaxLinkData) __builtin_trap();
        link.handleMessage({frame->code, frame->value, frame->data});
    }
    return 0;
}
