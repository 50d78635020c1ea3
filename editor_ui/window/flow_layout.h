// A row of widgets that wraps onto further rows when the width runs out, each row left to
// right at the items' preferred sizes, its height following the width it is given.
#pragma once
#include <QLayout>
#include <QList>

class CFlowLayout : public QLayout {
public:
    explicit CFlowLayout(QWidget* parent = nullptr);
    ~CFlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_Items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_Items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Between items and rows: the spacing set, else the style's.
    int Gap() const;
    // Places the items in rect (or only measures, when place is false); the height used.
    int Arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> m_Items;
};
