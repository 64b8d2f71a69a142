// Writes the seed corpora from the golden records and what the code makes of them:
//   fuzz_seeds DIR  ->  DIR/receive/*, DIR/upload/*, DIR/document/*
// It refuses to write an upload seed that the validation does not accept,
// or a document seed that the document reader refuses.

#include "Change.h"
#include "ConfigRecord.h"
#include "Document.h"
#include "FuzzInput.h"
#include "GoldenRecords.h"
#include "Retrieve.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace rallon;

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The window right after retrieving `record`, nothing entered.
ChangeSnapshot snapshotOf(const QByteArray &record)
{
    return ChangeSnapshot::untouched(displayOf(*decodeRecord(record)));
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("receive")) || !dir.mkpath(QStringLiteral("upload"))
        || !dir.mkpath(QStringLiteral("document")))
        return 1;
    bool ok = true;
    const auto receive = [&](const QString &name, const QByteArray &stream, const QByteArray &sizes = {}) {
        ok = write(dir.filePath(QStringLiteral("receive/") + name), fuzz::receiveInput(stream, sizes)) && ok;
    };
    const auto upload = [&](const QString &name, const ChangeSnapshot &snapshot) {
        if (!buildUpload(snapshot).accepted()) {
            std::fprintf(stderr, "fuzz_seeds: upload seed %s is refused\n", qPrintable(name));
            ok = false;
            return;
        }
        ok = write(dir.filePath(QStringLiteral("upload/") + name), fuzz::snapshotBytes(snapshot)) && ok;
    };
    const auto document = [&](const QString &name, const QByteArray &json) {
        document::InputError error;
        if (!document::wantedFromDocument(json, &error)) {
            std::fprintf(stderr, "fuzz_seeds: document seed %s is refused: %s\n", qPrintable(name),
                         qPrintable(error.message()));
            ok = false;
            return;
        }
        ok = write(dir.filePath(QStringLiteral("document/") + name), json) && ok;
    };

    QByteArray noise;
    for (int i = 0; i < 40; ++i)
        noise.append(char((i * 53 + 7) % 256));
    noise.append("CF");  // a marker start that goes nowhere

    QByteArray all;
    for (const golden::Named &g : golden::All) {
        const QString name = QLatin1String(g.name);
        const QByteArray &record = g.record;
        const ConfigRecord model = *decodeRecord(record);
        all += record;
        receive(name, record);
        receive(name + QStringLiteral("-upload"), encodeUpload(model));
        document(name, document::documentText(model));
        // fuzz_document also takes its input's octets as a record after "CFG=".
        ok = write(dir.filePath(QStringLiteral("document/%1-record").arg(name)),
                   record.mid(frame::recordMarker().size())) && ok;

        ChangeSnapshot untouched = snapshotOf(record);
        upload(name, untouched);
        ChangeSnapshot typed = untouched;
        typed.entered[Setting::Ip] = QStringLiteral("10.1.2.3");
        typed.entered[Setting::PrimaryPort] = QStringLiteral("80");
        const int chosen[] = {0, 1, 1, 2, 3, 0, 0, 1};
        for (int i = 0; i < SerialSettingCount; ++i)
            typed.entered.chosenIn(SerialSetting(i)) = chosen[i];
        upload(name + QStringLiteral("-typed"), typed);
    }
    receive(QStringLiteral("record-in-noise"), noise + golden::Wired + noise,
            QByteArray("\x01\x07\x32", 3));
    receive(QStringLiteral("records-in-pieces"), all, QByteArray("\x02\x00\x71", 3));
    receive(QStringLiteral("request"), requestFrame());

    ChangeSnapshot password = snapshotOf(golden::WirelessKey);
    password.sharedKeyLayout = false;
    password.entered.chosenIn(Setting::Encryption) = 1;
    password.entered[Setting::Ssid] = QStringLiteral("caf\u00e9 net");
    password.entered[Setting::Password] = QStringLiteral("secret");
    upload(QStringLiteral("password-chosen"), password);
    // Texts at their full field length, one character short of too long.
    password.entered[Setting::Ssid] = QString(frame::SsidLength, u'S');
    password.entered[Setting::Password] = QString(frame::SecretLength, u'p');
    upload(QStringLiteral("full-length-texts"), password);
    // A wireless device showing "N / A" for its SSID sends the field zeroed.
    ChangeSnapshot noSsid = snapshotOf(golden::WirelessPassword);
    noSsid.current[Setting::Ssid] = placeholder::NotApplicable;
    upload(QStringLiteral("ssid-not-applicable"), noSsid);

    document(QStringLiteral("format-only"), R"({"format":"rallon-config/1"})");
    document(QStringLiteral("numbers"), R"({"format": "rallon-config/1", "serialNumber": 4660, "primaryPort": 4000,
        "com1": {"baud": 9600, "dataBits": 8, "stopBits": 1, "parity": "NONE"}})");
    document(QStringLiteral("escapes"), R"({"format": "rallon-config/1", "encryption": "WEP",
        "ssid": "caf\u00e9 \ud83d\ude00 \"\\\/\b\f\n\r\t", "password": "a\u0000b"})");
    document(QStringLiteral("shared-key"), R"j({"format": "rallon-config/1", "encryption": "WAP (AES)", "sharedKey": ")j"
                                               + QByteArray("0123456789abcdefABCDEF").repeated(6).left(128) + "\"}");
    document(QStringLiteral("ignored-values"),
             "\xef\xbb\xbf" R"({"model": [1, {"a": null}, true, false, -0.5e-3], "format": "rallon-config/1"} )" "\r\n");
    // provision's lists, which fuzz_document reads too.
    ok = write(dir.filePath(QStringLiteral("document/inventory")),
               "serialNumber,ip,primaryPort,ssid,com1.baud\n4660,10.1.0.45,5000,\"A, \"\"B\"\"\",9600\r\n7,,,,\n") && ok;
    ok = write(dir.filePath(QStringLiteral("document/ledger")),
               QByteArray("time,serialNumber,model,ip,primaryPort,outcome,detail\n"
                          "2026-12-09T10:41:02.123Z,4660,wireless,10.1.0.20,4001,done,\n"
                          "2026-12-09T10:41:09.870Z,4661,wired,,4000,refused,\"ip, and \"\"more\"\"\"\n")) && ok;

    return ok ? 0 : 1;
}
