#include "core/ui/TestDescGrid.h"

#include <QHeaderView>

namespace mv {

TTestDescGrid::TTestDescGrid(QWidget* parent) : QTableWidget(4, 2, parent) {
    setObjectName("TestDescGrid");
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setDefaultSectionSize(18);
    setColumnWidth(0, 60);
    setColumnWidth(1, 165);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setGeometry(101, 22, 228, 77);
    setToolTip("Jednotlive radky v pravem sloupci predstavuji cestu (Path) k vybranemu cislu "
               "zkousky (ID). Informace o se ziskavaji z Logu pro pislusne ID");
    for (int r = 0; r < 4; ++r) {
        auto* left = new QTableWidgetItem;
        left->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setItem(r, 0, left);
        auto* right = new QTableWidgetItem;
        right->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(r, 1, right);
    }
}

void TTestDescGrid::setPathPart(int row, const QString& text) {
    if (row >= 0 && row < 4)
        item(row, 1)->setText(text);
}

QString TTestDescGrid::pathPart(int row) const {
    return row >= 0 && row < 4 ? item(row, 1)->text() : QString();
}

void TTestDescGrid::setCaption(int row, const QString& text) {
    if (row >= 0 && row < 4)
        item(row, 0)->setText(text);
}

QString TTestDescGrid::caption(int row) const {
    return row >= 0 && row < 4 ? item(row, 0)->text() : QString();
}

void TTestDescGrid::setMark(Mark m) {
    mark_ = m;
    QPalette p = palette();
    p.setColor(QPalette::Base, m == Mark::Invalid  ? QColor(255, 0, 0)
                               : m == Mark::Opened ? QColor(255, 255, 0)
                                                   : QColor(255, 255, 255));
    setPalette(p);
}

} // namespace mv
