#include "NewDataColumn.h"

namespace rallon {

template <typename OnList, typename OnText>
void NewDataColumn::visit(Setting setting, OnList onList, OnText onText) const
{
    std::visit([&](auto *control) {
        if constexpr (std::is_same_v<decltype(control), QComboBox *>)
            onList(control);
        else
            onText(control);
    }, m_controls[size_t(setting)]);
}

NewData NewDataColumn::entered() const
{
    NewData data;
    for (int i = 0; i < SettingCount; ++i) {
        const Setting setting = Setting(i);
        visit(setting, [&](QComboBox *list) { data.chosenIn(setting) = list->currentIndex(); },
              [&](auto *box) { data[setting] = box->text(); });
    }
    return data;
}

void NewDataColumn::fill(const document::NewDataEntries &entries)
{
    for (int i = 0; i < SettingCount; ++i) {
        const std::optional<QString> &text = entries.texts[size_t(i)];
        if (!text)
            continue;
        visit(Setting(i),
              [&](QComboBox *list) { list->setCurrentIndex(list->findText(*text, Qt::MatchExactly)); },
              [&](auto *box) { box->setText(*text); });
    }
    if (entries.sharedKey)
        m_passwordRow(true, keyBoxTexts(*entries.sharedKey));
    else if (entries.texts[size_t(Setting::Password)])
        m_passwordRow(false, {});
}

void NewDataColumn::clear(const RecordDisplay &shown)
{
    for (int i = 0; i < SettingCount; ++i)
        visit(Setting(i), [](QComboBox *list) { list->setCurrentIndex(-1); },
              [](auto *box) { box->setText(QString()); });
    m_passwordRow(shown.sharedKey, shown.keyBoxes);
}

}  // namespace rallon
