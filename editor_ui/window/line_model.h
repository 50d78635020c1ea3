// A list model over lines the controller computes on demand: nothing is copied per row, so
// a list of thousands of services resets and repaints at once. An empty list can show one
// disabled placeholder line ("No TV Service", "  No Service").
#pragma once
#include "common/qt/latin1.h"

#include <QAbstractListModel>
#include <QColor>

#include <functional>
#include <string>

class CLineModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Source {
        std::function<int()> count;
        std::function<std::string(int)> line;
        std::function<QColor(int)> colour;            // optional
        std::function<std::string()> emptyText;       // optional
        QColor emptyColour;
        std::function<std::string(int)> editText;     // optional: the row can be renamed in place
        std::function<void(int, const std::string&)> commitEdit;
    };
    CLineModel(Source source, QObject* parent = nullptr);

    bool ShowsPlaceholder() const { return m_bPlaceholder; }
    // Rows may come and go.
    void Reset();
    // Same rows, new texts.
    void LinesChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    Source m_Source;
    int m_Rows = 0;
    bool m_bPlaceholder = false;
};

