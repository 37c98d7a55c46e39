#pragma once
// The ten small zoom-slot markers over the bottom edge of the overview graph. They
// only show and report drags; the pair turns positions into slot times.
#include <QObject>
#include <array>

class QLabel;
class QWidget;

namespace mv {

class ZoomMarkers : public QObject {
    Q_OBJECT
public:
    ZoomMarkers(QWidget* host, int image1Left);

    QLabel* marker(int i) const { return labels_[std::size_t(i - 1)]; }
    // Marker i turns lime at host x, comes to the front and shows; the others turn
    // back to the info colour.
    void highlight(int i, int x);
    // Top edge of every marker, in host coordinates.
    void setTop(int top);

signals:
    // Left button held on marker i, moved to host x (mouse x minus the grab offset).
    void dragged(int i, int x);
    void released(int i);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, 10> labels_{};
    int grabOffset_ = 0;
};

} // namespace mv
