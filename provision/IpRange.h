#pragma once

// Addresses as numbers, and the range provisioning gives addresses from.
// Pure code, QtCore only.

#include "Document.h"

#include <QString>

#include <optional>

namespace rallon::provision {

// An address as a number, for ranges and comparisons.
std::optional<quint32> addressNumber(const QString &text);
QString addressOfNumber(quint32 number);

// "FIRST-LAST", both inside the network that `mask` gives FIRST, holding
// neither its network address nor its broadcast address nor `gateway`, and
// inside `gateway`'s network.
struct IpRange {
    quint32 first = 0, last = 0;
    QString text() const;
};
std::optional<IpRange> ipRange(const QString &text, const QString &mask, const std::optional<QString> &gateway,
                               document::InputError *error);

// The network of `gateway` under `mask`, described for messages, when
// `address` lies outside it; nothing when inside or either is no address.
// `whose` goes before "gateway" and "mask" ("the template's ").
std::optional<QString> outsideNetwork(quint32 address, const std::optional<QString> &mask,
                                      const std::optional<QString> &gateway, const QString &whose);

}  // namespace rallon::provision
