#pragma once

#include <QObject>

class QFontMetrics;

namespace zentari {

// The hint hook of the whole program: every tooltip, of whatever window, on a
// pale yellow ground and at most 300 pixels wide.
class HintHook : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxWidth = 300;
    static constexpr int kShowMs = 60000;
    static const QColor& colour();

    explicit HintHook(QObject* parent = nullptr);

    // Plain text broken at spaces into lines no wider than `width` pixels; a
    // single word wider than that stays whole.
    static QString wrap(const QString& text, const QFontMetrics& metrics, int width);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

} // namespace zentari
