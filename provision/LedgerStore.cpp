#include "LedgerStore.h"

#include "SettingNames.h"
#include "Terminal.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

namespace rallon::provision {

using namespace document;

void LedgerStore::Lock::release()
{
    if (m_store)
        std::exchange(m_store, nullptr)->unlock();
}

LedgerStore::Locking LedgerStore::lock(Lock *held, QString *error, const std::function<bool(bool first)> &wait)
{
    held->release();
    const Locking locking = take(error, wait);
    if (locking == Locking::Held)
        held->m_store = this;
    return locking;
}

bool isServerLedger(const QString &ledger)
{
    return ledger.startsWith(QLatin1String("postgresql://")) || ledger.startsWith(QLatin1String("postgres://"));
}

PoolTerms poolTerms(const Wanted &common, const QString &range)
{
    const auto digest = [](const QByteArray &secret) {
        return QStringLiteral("SHA-256 ") + QString::fromLatin1(
                   QCryptographicHash::hash(secret, QCryptographicHash::Sha256).toHex());
    };
    QJsonObject settings;
    for (Setting setting : AllSettings) {
        if (const std::optional<QString> &value = common[setting])
            settings.insert(fieldOf(setting), setting == Setting::Password ? digest(value->toUtf8()) : *value);
    }
    if (common.sharedKey)
        settings.insert(QLatin1String(SharedKeyName.field), digest(*common.sharedKey));
    return {QJsonDocument(settings).toJson(QJsonDocument::Compact), range};
}

QString poolDifference(const PoolTerms &held, const PoolTerms &given)
{
    QStringList differs;
    const QJsonObject was = QJsonDocument::fromJson(held.templateText).object();
    const QJsonObject is = QJsonDocument::fromJson(given.templateText).object();
    QStringList fields;
    for (const QJsonObject &settings : {was, is}) {
        for (const QString &field : settings.keys()) {
            if (!fields.contains(field) && was.value(field) != is.value(field))
                fields << field;
        }
    }
    if (!fields.isEmpty())
        differs << QStringLiteral("another template (it differs in %1)").arg(fields.join(QStringLiteral(", ")));
    if (held.range != given.range)
        differs << QStringLiteral("the range %1, not %2")
                       .arg(held.range.isEmpty() ? QStringLiteral("(none)") : held.range,
                            given.range.isEmpty() ? QStringLiteral("(none)") : given.range);
    return differs.join(QStringLiteral(" and "));
}

}  // namespace rallon::provision
