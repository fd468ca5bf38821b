#pragma once

#include <QString>

namespace zentari {

// The product's web site; its pages are opened from the menu and the about box.
inline QString productSite()
{
    return QStringLiteral("https://zentari.example.org");
}

} // namespace zentari
