#include "EntryRules.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace rallon {

namespace {

constexpr char16_t Backspace = 8;
constexpr char16_t CarriageReturn = 13;

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The number an octet text starts with, capped above 255 so that digits
// of any length compare safely.
int octetValue(const QString &text)
{
    int value = 0;
    for (QChar c : text) {
        if (!isDigit(c))
            break;
        value = qMin(value * 10 + (c.unicode() - u'0'), 256);
    }
    return value;
}

class FocusLossWatcher : public QObject {
public:
    FocusLossWatcher(std::function<void()> lost, QObject *parent)
        : QObject(parent), m_lost(std::move(lost))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                m_lost();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_lost;
};

// Eats what a dropped-down list would search by: printable characters and
// input-method text. Keys that move, choose or close pass.
class TypedSearchBlocker : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent *>(event)->text();
            if (!text.isEmpty() && text.at(0).isPrint())
                return true;
        } else if (event->type() == QEvent::InputMethod) {
            if (!static_cast<QInputMethodEvent *>(event)->commitString().isEmpty())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

std::optional<QChar> admit(EntryRule rule, QChar typed)
{
    const char16_t c = typed.unicode();
    switch (rule) {
    case EntryRule::Address:
        if (isDigit(typed) || c == u'.' || c == Backspace)
            return typed;
        return std::nullopt;
    case EntryRule::Port:
        if (isDigit(typed) || c == Backspace)
            return typed;
        return std::nullopt;
    case EntryRule::Password:
        if (c == CarriageReturn)
            return std::nullopt;
        return typed;
    case EntryRule::KeyOctet:
        if (c >= u'a' && c <= u'f')
            return typed.toUpper();
        if (isDigit(typed) || (c >= u'A' && c <= u'F') || c == Backspace)
            return typed;
        return std::nullopt;
    case EntryRule::Nothing:
        break;
    }
    return std::nullopt;
}

OctetFault octetFault(const QString &text)
{
    QString rest = text;
    for (int split = 0; split < 3; ++split) {
        const qsizetype period = rest.indexOf(QLatin1Char('.'));
        if (period < 0)
            break;
        if (octetValue(rest.left(period)) > 255)
            return OctetFault::FirstThree;
        rest = rest.mid(period + 1);
    }
    return octetValue(rest) > 255 ? OctetFault::Last : OctetFault::None;
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    if (key->text().size() != 1)
        return false;
    const QChar typed = key->text().at(0);
    const std::optional<QChar> taken = admit(m_rule, typed);
    if (!taken)
        return true;
    if (*taken == typed)
        return false;
    // The box takes another character than the one typed.
    if (auto *line = qobject_cast<QLineEdit *>(watched))
        line->insert(QString(*taken));
    else if (auto *text = qobject_cast<QPlainTextEdit *>(watched))
        text->insertPlainText(QString(*taken));
    return true;
}

void applyEntryRule(QWidget *widget, EntryRule rule)
{
    widget->installEventFilter(new KeyFilter(rule, widget));
}

void refuseTypedChoice(QComboBox *list)
{
    applyEntryRule(list, EntryRule::Nothing);
    list->view()->installEventFilter(new TypedSearchBlocker(list->view()));
}

void onFocusLost(QWidget *widget, std::function<void()> lost)
{
    widget->installEventFilter(new FocusLossWatcher(std::move(lost), widget));
}

}  // namespace rallon
