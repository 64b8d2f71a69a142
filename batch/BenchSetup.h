#pragma once

// A bench run's set-up, checked before the port is touched: the template
// and the address range as rallon-cli provision and the bench window read
// them. Pure code; the files are read by the caller.

#include "Document.h"
#include "IpRange.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace rallon::batch {

// A "rallon-config/1" document with the settings every device gets, and no
// "ip": the addresses come from the range or the inventory.
std::optional<document::Wanted> benchTemplate(const QByteArray &json, document::InputError *error);

// FIRST-LAST, checked against the template's mask and gateway; `field`
// names the range in the error.
std::optional<provision::IpRange> benchRange(const QString &text, const document::Wanted &common,
                                             const QString &field, document::InputError *error);

}  // namespace rallon::batch
