#include "LedgerStore.h"

#include "LedgerFile.h"
#ifndef RALLON_NO_LIBPQ
#include "PgLedger.h"
#endif
#include "SettingNames.h"
#include "Terminal.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

namespace rallon::provision {

using namespace document;

#ifdef RALLON_NO_LIBPQ
namespace {
constexpr char NoServerLedgers[] = "this build of rallon-cli takes no PostgreSQL ledger (it was built without libpq)";
}  // namespace
#endif

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

std::unique_ptr<LedgerStore> openLedger(const QString &ledger, const QString &pool, bool dryRun,
                                        const PoolTerms &terms, Opening *opening, QString *error)
{
    if (isServerLedger(ledger)) {
#ifdef RALLON_NO_LIBPQ
        Q_UNUSED(pool);
        Q_UNUSED(terms);
        *opening = Opening::Failed;
        *error = QString::fromLatin1(NoServerLedgers);
        return nullptr;
#else
        auto store = std::make_unique<PgLedger>();
        *opening = store->open(ledger, pool, dryRun, terms, false, error);
        return store;
#endif
    }
    auto file = std::make_unique<LedgerFile>();
    *opening = file->open(ledger, dryRun, error) ? Opening::Opened : Opening::Failed;
    return file;
}

#ifdef RALLON_NO_LIBPQ

std::optional<QList<LedgerEntry>> poolEntries(const QString &, const QString &, Opening *opening, QString *error)
{
    *opening = Opening::Failed;
    *error = QString::fromLatin1(NoServerLedgers);
    return std::nullopt;
}

Opening importIntoPool(const QString &, const QString &, const QList<LedgerEntry> &, QString *error)
{
    *error = QString::fromLatin1(NoServerLedgers);
    return Opening::Failed;
}

#else

std::optional<QList<LedgerEntry>> poolEntries(const QString &uri, const QString &pool, Opening *opening,
                                              QString *error)
{
    PgLedger store;
    *opening = store.open(uri, pool, false, std::nullopt, false, error);
    if (*opening != Opening::Opened)
        return std::nullopt;
    InputError wrong;
    std::optional<QList<LedgerEntry>> entries = store.entries(&wrong);
    if (!entries) {
        *opening = store.lost() ? Opening::Unreachable : Opening::Failed;
        *error = wrong.message();
    }
    return entries;
}

Opening importIntoPool(const QString &uri, const QString &pool, const QList<LedgerEntry> &entries, QString *error)
{
    PgLedger store;
    const Opening opening = store.open(uri, pool, false, std::nullopt, true, error);
    if (opening != Opening::Opened)
        return opening;
    bool refused = false;
    if (store.import(entries, &refused, error))
        return Opening::Opened;
    return refused ? Opening::Refused : store.lost() ? Opening::Unreachable : Opening::Failed;
}

#endif

}  // namespace rallon::provision
