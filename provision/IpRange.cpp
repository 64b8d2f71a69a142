#include "IpRange.h"

#include "Plan.h"
#include "Terminal.h"

namespace rallon::provision {

using namespace document;

std::optional<quint32> addressNumber(const QString &text)
{
    const std::optional<Address> address = addressValue(text);
    if (!address)
        return std::nullopt;
    return quint32((*address)[0]) << 24 | quint32((*address)[1]) << 16 | quint32((*address)[2]) << 8
        | quint32((*address)[3]);
}

QString addressOfNumber(quint32 number)
{
    return addressText({quint8(number >> 24), quint8(number >> 16), quint8(number >> 8), quint8(number)});
}

QString IpRange::text() const
{
    return addressOfNumber(first) + QLatin1Char('-') + addressOfNumber(last);
}

std::optional<IpRange> ipRange(const QString &text, const QString &mask, const std::optional<QString> &gateway,
                               InputError *error)
{
    const QString option = QStringLiteral("--ip-range");
    const QStringList ends = text.split(QLatin1Char('-'));
    const std::optional<quint32> first = addressNumber(ends.value(0));
    const std::optional<quint32> last = addressNumber(ends.value(1));
    const std::optional<quint32> maskNumber = addressNumber(mask);
    if (ends.size() != 2 || !first || !last) {
        refuse(error, option, QStringLiteral("%1 is not FIRST-LAST, for example 10.1.0.20-10.1.0.99").arg(quoted(text)));
        return std::nullopt;
    }
    if (*first > *last) {
        refuse(error, option, QStringLiteral("%1 ends before it starts").arg(quoted(text)));
        return std::nullopt;
    }
    if (!maskNumber) {
        refuse(error, option, QStringLiteral("the template's mask %1 is not an address").arg(quoted(mask)));
        return std::nullopt;
    }
    const IpRange range{*first, *last};
    const quint32 network = *first & *maskNumber;
    const quint32 broadcast = network | ~*maskNumber;
    const QString within = QStringLiteral("%1 with the template's mask %2")
                               .arg(addressOfNumber(network), addressOfNumber(*maskNumber));
    if ((*last & *maskNumber) != network || *last == broadcast) {
        refuse(error, option, QStringLiteral("%1 reaches the broadcast address %2 of %3")
                                  .arg(range.text(), addressOfNumber(broadcast), within));
        return std::nullopt;
    }
    if (*first == network) {
        refuse(error, option, QStringLiteral("%1 holds the network address %2 of %3")
                                  .arg(range.text(), addressOfNumber(network), within));
        return std::nullopt;
    }
    const std::optional<quint32> gatewayNumber = gateway ? addressNumber(*gateway) : std::nullopt;
    if (gatewayNumber && *gatewayNumber >= *first && *gatewayNumber <= *last) {
        refuse(error, option, QStringLiteral("%1 holds the template's gateway %2")
                                  .arg(range.text(), addressOfNumber(*gatewayNumber)));
        return std::nullopt;
    }
    if (const std::optional<QString> network = outsideNetwork(*first, mask, gateway, QStringLiteral("the template's "))) {
        refuse(error, option, QStringLiteral("%1 is outside %2").arg(range.text(), *network));
        return std::nullopt;
    }
    return range;
}

std::optional<QString> outsideNetwork(quint32 address, const std::optional<QString> &mask,
                                      const std::optional<QString> &gateway, const QString &whose)
{
    const std::optional<quint32> maskNumber = mask ? addressNumber(*mask) : std::nullopt;
    const std::optional<quint32> gatewayNumber = gateway ? addressNumber(*gateway) : std::nullopt;
    if (!maskNumber || !gatewayNumber || (address & *maskNumber) == (*gatewayNumber & *maskNumber))
        return std::nullopt;
    return QStringLiteral("the network %1 of %2gateway %3 under %2mask %4")
        .arg(addressOfNumber(*gatewayNumber & *maskNumber), whose, addressOfNumber(*gatewayNumber),
             addressOfNumber(*maskNumber));
}

}  // namespace rallon::provision
