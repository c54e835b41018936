#pragma once

// A segmented progress meter: up to ten blocks over a background, one block per ten percent,
// and the link that hands an archive component's progress to it.

#include "app/widgets/xgraph_utils.h"
#include "archive/meter_link.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace sw {

enum class TAbMeterOrientation { moHorizontal, moVertical };
enum class TAbMeterBorderStyle { bsNone, bsSingle };

struct MeterLook {
    TAbMeterOrientation orientation = TAbMeterOrientation::moHorizontal;
    TColor usedColor = clNavy;
    TColor unusedColor = clBtnFace;
    TAbMeterBorderStyle borderStyle = TAbMeterBorderStyle::bsSingle;
    bool ctl3D = true;
};

// The meter's picture at `size` for a progress of 0..99.
QImage renderMeter(QSize size, int progress, const MeterLook& look);

class TAbCustomMeter : public QWidget {
    Q_OBJECT
public:
    // Runs after every new value so that the window stays responsive while the caller holds
    // the thread; QCoreApplication::processEvents by default.
    using MessagePump = std::function<void()>;

    explicit TAbCustomMeter(QWidget* parent = nullptr);

    // A new percentage: a repeated value does nothing; 100 and above empty the meter.
    void DoProgress(std::uint8_t progress);
    void Reset() { DoProgress(0); }
    int Progress() const { return m_progress; }

    TAbMeterOrientation Orientation() const { return m_look.orientation; }
    void SetOrientation(TAbMeterOrientation orientation);
    TColor UsedColor() const { return m_look.usedColor; }
    void SetUsedColor(TColor color);
    TColor UnusedColor() const { return m_look.unusedColor; }
    void SetUnusedColor(TColor color);
    TAbMeterBorderStyle BorderStyle() const { return m_look.borderStyle; }
    void SetBorderStyle(TAbMeterBorderStyle style);
    bool Ctl3D() const { return m_look.ctl3D; }
    void SetCtl3D(bool ctl3D);
    QString Version() const { return QStringLiteral("3.04"); }
    void SetVersion(const QString&) {} // read-only: the component's version is fixed

    // While a stored layout is applied, a change of orientation keeps the stored size.
    void BeginLoading() { m_loading = true; }
    void EndLoading() { m_loading = false; }

    void SetMessagePump(MessagePump pump);

    QImage RenderImage() const { return renderMeter(size(), m_progress, m_look); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MeterLook m_look;
    int m_progress = 0;
    bool m_loading = false;
    MessagePump m_pump;
};

class TAbMeter : public TAbCustomMeter {
    Q_OBJECT
public:
    using TAbCustomMeter::TAbCustomMeter;
};

// Hands the progress of an archive component to a meter. A meter destroyed elsewhere is
// forgotten, and without a meter the link ignores progress.
class TAbVCLMeterLink : public TAbMeterLink {
public:
    TAbCustomMeter* Meter() const { return m_meter; }
    void SetMeter(TAbCustomMeter* meter) { m_meter = meter; }

    void DoProgress(std::uint8_t progress) override;
    void Reset() override;

private:
    QPointer<TAbCustomMeter> m_meter;
};

} // namespace sw
