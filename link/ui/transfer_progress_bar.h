// The progress bar of the transfer windows, drawn by us: the filled part proportional to
// position / maximum with the percentage centred in white, and only the plain background
// at or outside the ends of the range.
#pragma once
#include <QWidget>

#include <string>

// What the bar draws for a position: the filled width and the text ("%.0f%%"), both empty
// at or outside the ends of the range; no text while the bar is disabled.
struct ProgressLook {
    int fillWidth = 0;
    std::string text;
};
ProgressLook LookOfProgress(int pos, int lower, int upper, int width, bool enabled);

class CTransferProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit CTransferProgressBar(QWidget* parent = nullptr);
    void SetRange(int lower, int upper);
    void SetPos(int pos);
    int Pos() const { return m_Pos; }
    QSize sizeHint() const override;

signals:
    void positionChanged(int pos);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_Lower = 0;
    int m_Upper = 100;
    int m_Pos = 0;
};
