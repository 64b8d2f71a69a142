#include "BenchSetup.h"

#include "SettingNames.h"

namespace rallon::batch {

using namespace document;

namespace {

const char *const TemplateIp =
    "a template gives every device the same settings; the addresses come from --ip-range or --inventory";
const char *const RangeNeedsMask = "the template must give a mask, against which the range is checked";

}  // namespace

std::optional<Wanted> benchTemplate(const QByteArray &json, InputError *error)
{
    std::optional<Wanted> wanted = wantedFromDocument(json, error);
    if (wanted && (*wanted)[Setting::Ip]) {
        *error = {fieldOf(Setting::Ip), QString::fromLatin1(TemplateIp)};
        wanted.reset();
    }
    return wanted;
}

std::optional<provision::IpRange> benchRange(const QString &text, const Wanted &common, const QString &field,
                                             InputError *error)
{
    *error = {field, QString::fromLatin1(RangeNeedsMask)};
    const std::optional<QString> &mask = common[Setting::Mask];
    std::optional<provision::IpRange> range =
        mask ? provision::ipRange(text, *mask, common[Setting::Gateway], error) : std::nullopt;
    error->field = field;
    return range;
}

}  // namespace rallon::batch
