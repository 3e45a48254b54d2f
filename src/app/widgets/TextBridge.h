#pragma once

#include "base/CharsetConverter.h"
#include "base/Text.h"

#include <QString>

namespace quorvane {

// Text (GB18030) to and from the UTF-16 of the widgets.
inline QString toQString(TextView text)
{
    return QString::fromStdString(CharsetConverter::textToUtf8(text));
}

inline Text toText(const QString& text)
{
    return CharsetConverter::utf8ToText(text.toStdString());
}

} // namespace quorvane
