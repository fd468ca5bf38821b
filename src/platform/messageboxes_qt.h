#pragma once

#include "platform/services.h"

namespace zentari {

// Application-modal QMessageBox with an OK button. It stays above the
// always-on-top clock, which would otherwise hide it.
class QtMessageBoxes : public MessageBoxes
{
public:
    void show(const QString& text, const QString& caption, MessageIcon icon) override;
    bool askYesNo(const QString& text, const QString& caption) override;
};

} // namespace zentari
