#include "Terminal.h"

namespace rallon::document {

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

QString escaped(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        if (!isControl(c)) {
            shown += c;
            continue;
        }
        const char16_t u = c.unicode();
        switch (u) {
        case u'\r': shown += QLatin1String("\\r"); break;
        case u'\n': shown += QLatin1String("\\n"); break;
        case u'\t': shown += QLatin1String("\\t"); break;
        default: shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        }
    }
    return shown;
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + escaped(text) + QLatin1Char('"');
}

}  // namespace rallon::document
