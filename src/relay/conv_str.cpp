#include "relay/conv_str.h"

#include "protocol/frame_codec.h"
#include "ui/dialogs.h"

QByteArray conv_str(const QString& text, Dialogs& dialogs) {
    const std::optional<QByteArray> bytes = parse_hex(text);
    if (!bytes) {
        dialogs.message(QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "В строке имеются символы не принадлежащие HEX")));
        return {};
    }
    return *bytes;
}
