// rallon-cli set: single settings changed on the device and verified.

#include "Change.h"
#include "CliTexts.h"
#include "Command.h"
#include "Exit.h"
#include "Input.h"
#include "SettingNames.h"
#include "Streams.h"

#include <QStringDecoder>

namespace rallon::cli {

namespace {

using namespace document;
namespace text = clitext::message;

const char *const Help = R"txt(Usage: rallon-cli set PORT SETTING... [--dry-run] [--timeout-ms N] [--trace]

Changes the settings given and keeps the others, exactly as "write" does
with a document holding only those settings. A setting is sent as given or
refused: a text longer than its field, an empty value, a setting the model
does not have, or a password while the encryption is None is refused, and
nothing is sent.

Settings (list values as the window's lists show them; quote blanks):
  --ip A.B.C.D             IP address
  --mask A.B.C.D           subnet mask
  --gateway A.B.C.D        default gateway
  --primary-port N         primary port, 0 to 32499
  --ssid S                 SSID, at most 21 characters (wireless model)
  --encryption NAME        "None", "WEP", "WAP (TKIP)" or "WAP (AES)"
  --password P             password, at most 64 characters (wireless model)
  --password-file FILE     the password from FILE ("-": standard input), one
                           trailing newline dropped: it stays out of the
                           process list and the shell's history
  --shared-key HEX         64-octet shared key as 128 hexadecimal digits,
                           instead of a password
  --shared-key-file FILE   the shared key's digits from FILE, as above
  --com1-baud V            2400 4800 9600 14400 19200 28800 38400 56000
                           57600 115200
  --com1-data-bits V       7 or 8
  --com1-stop-bits V       1 or 2
  --com1-parity V          NONE, EVEN or ODD
  --com2-baud V, --com2-data-bits V, --com2-stop-bits V, --com2-parity V
                           the same for the device's Comm 2 port
  --dry-run                as for write: what would change, and the record
)txt";

const char *const PasswordTwice = "set: give either --password or --password-file, not both";
const char *const KeyTwice = "set: give either --shared-key or --shared-key-file, not both";
const char *const NoSetting = "set: give at least one setting, for example --ip 192.168.1.30";
const char *const BothSecrets = "set: give either a password or a shared key, not both";

const QString PasswordFile = QStringLiteral("password-file");
const QString KeyFile = QStringLiteral("shared-key-file");

// A secret given in a file: one trailing line end dropped (on Windows a
// CR LF too, as its editors end a line), UTF-8.
std::variant<QString, int> secretFromFile(const QString &option, const QString &path, int timeoutMs)
{
    auto content = inputOf(path, timeoutMs);
    if (const int *failed = std::get_if<int>(&content))
        return *failed;
    QByteArray &octets = std::get<QByteArray>(content);
    if (octets.endsWith('\n')) {
        octets.chop(1);
        if (system::lineEndsWithCr() && octets.endsWith('\r'))
            octets.chop(1);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString secret = utf8(octets);
    if (utf8.hasError()) {
        complain(QString::fromLatin1(text::InputRefused)
                     .arg(InputError{option, QString::fromLatin1(text::NotUtf8)}.message()));
        return Refused;
    }
    return secret;
}

int run(const Invocation &call)
{
    const QCommandLineParser &parser = call.parser;
    const QString name = QStringLiteral("set");
    Wanted wanted;
    InputError error;
    const auto refuse = [&error] {
        complain(QString::fromLatin1(text::InputRefused).arg(error.message()));
        return Refused;
    };
    for (Setting setting : AllSettings) {
        const QString option = optionOf(nameOf(setting));
        if (!parser.isSet(option))
            continue;
        const QString value = parser.value(option);
        if (const std::optional<SettingList> list = settingList(setting)) {
            wanted[setting] = listText(*list, value, QStringLiteral("--") + option, &error);
            if (!wanted[setting])
                return refuse();
        } else {
            wanted[setting] = value;
        }
    }
    const QString keyOption = optionOf(SharedKeyName);
    if (parser.isSet(optionOf(nameOf(Setting::Password))) && parser.isSet(PasswordFile))
        return usage(QString::fromLatin1(PasswordTwice), name);
    if (parser.isSet(keyOption) && parser.isSet(KeyFile))
        return usage(QString::fromLatin1(KeyTwice), name);
    if (parser.isSet(PasswordFile)) {
        const auto secret = secretFromFile(QStringLiteral("--") + PasswordFile, parser.value(PasswordFile),
                                           call.timeoutMs);
        if (const int *failed = std::get_if<int>(&secret))
            return *failed;
        wanted[Setting::Password] = std::get<QString>(secret);
    }
    if (parser.isSet(keyOption) || parser.isSet(KeyFile)) {
        QString hex = parser.value(keyOption);
        QString option = QStringLiteral("--") + keyOption;
        if (parser.isSet(KeyFile)) {
            option = QStringLiteral("--") + KeyFile;
            const auto secret = secretFromFile(option, parser.value(KeyFile), call.timeoutMs);
            if (const int *failed = std::get_if<int>(&secret))
                return *failed;
            hex = std::get<QString>(secret);
        }
        wanted.sharedKey = sharedKeyOctets(hex, option, &error);
        if (!wanted.sharedKey)
            return refuse();
    }
    if (wanted.isEmpty())
        return usage(QString::fromLatin1(NoSetting), name);
    if (!oneSecret(wanted, nullptr))
        return usage(QString::fromLatin1(BothSecrets), name);
    return change(call.arguments.at(1), wanted, call.isSet("dry-run"), call.timeoutMs);
}

}  // namespace

Command setCommand()
{
    const QString value = QStringLiteral("value");
    QList<Option> options{{{optionOf(SharedKeyName)}, value, std::nullopt},
                          {{PasswordFile}, value, std::nullopt},
                          {{KeyFile}, value, std::nullopt},
                          DryRun};
    for (Setting setting : AllSettings)
        options.append({{optionOf(nameOf(setting))}, value, std::nullopt});
    return {"set", Help, options, {QStringLiteral("PORT")}, run};
}

}  // namespace rallon::cli
