#include "processing/Matrix.h"

#include <cmath>
#include <utility>

namespace mv {

TMatrix::TMatrix(int rowCount, int colCount) {
    SetRowCount(rowCount);
    SetColCount(colCount);
}

int TMatrix::ColCount() const {
    return RowCount() >= 1 ? cols_ : 0;
}

void TMatrix::SetRowCount(int n) {
    if (n < 0)
        n = 0;
    Cells.resize(static_cast<std::size_t>(n) + 1);
    for (auto& row : Cells)
        row.resize(static_cast<std::size_t>(cols_) + 1, 0.0);
}

void TMatrix::SetColCount(int n) {
    if (n < 0)
        n = 0;
    if (Cells.empty())
        Cells.resize(1);
    cols_ = n;
    for (auto& row : Cells)
        row.resize(static_cast<std::size_t>(n) + 1, 0.0);
}

void TMatrix::Eye(int rowCount, int colCount) {
    SetRowCount(rowCount);
    SetColCount(colCount);
    for (int i = 1; i <= rowCount; ++i)
        for (int j = 1; j <= colCount; ++j)
            Cells[i][j] = i == j ? 1.0 : 0.0;
}

void TMatrix::Transpose() {
    const int r = RowCount(), c = ColCount();
    TMatrix t(c, r);
    for (int i = 1; i <= c; ++i)
        for (int j = 1; j <= r; ++j)
            t.Cells[i][j] = Cells[j][i];
    *this = std::move(t);
}

bool TMatrix::Mul(const TMatrix& m) {
    const int r = RowCount(), n = ColCount(), c = m.ColCount();
    if (n != m.RowCount())
        return false;
    TMatrix out(r, c);
    for (int j = 1; j <= r; ++j)
        for (int l = 1; l <= c; ++l) {
            double sum = 0.0;
            for (int k = 1; k <= n; ++k)
                sum += Cells[j][k] * m.Cells[k][l];
            out.Cells[j][l] = sum;
        }
    *this = std::move(out);
    return true;
}

bool TMatrix::Inv() {
    const int n = RowCount();
    if (n != ColCount())
        return false;
    TMatrix w = *this;
    Eye(n, n);
    std::vector<double> t(static_cast<std::size_t>(n) + 1, 0.0);
    auto& W = w.Cells;
    auto& S = Cells;
    for (int k = n; k >= 2; --k) {
        int p = 0;
        double best = 0.0;
        for (int col = 1; col <= k; ++col)
            if (std::fabs(W[k][col]) > best) {
                best = std::fabs(W[k][col]);
                p = col;
            }
        if (best == 0.0)
            return false;
        if (p != k)
            for (int row = 1; row <= n; ++row) {
                std::swap(W[row][k], W[row][p]);
                std::swap(S[row][k], S[row][p]);
            }
        for (int m = 1; m <= k - 1; ++m)
            t[m] = -W[k][m] / W[k][k];
        for (int f = 1; f <= n; ++f)
            for (int m = 1; m <= k - 1; ++m)
                S[f][m] += t[m] * S[f][k];
        for (int g = 1; g <= k - 1; ++g)
            for (int m = 1; m <= k - 1; ++m)
                W[g][m] += t[m] * W[g][k];
    }
    for (int q = 1; q <= n - 1; ++q) {
        if (W[q][q] == 0.0)
            return false;
        for (int j = q + 1; j <= n; ++j)
            t[j] = -W[q][j] / W[q][q];
        for (int f = 1; f <= n; ++f)
            for (int j = q + 1; j <= n; ++j)
                S[f][j] += t[j] * S[f][q];
    }
    for (int i = 1; i <= n; ++i) {
        if (W[i][i] == 0.0)
            return false;
        t[i] = 1.0 / W[i][i];
    }
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i)
            S[j][i] *= t[i];
    return true;
}

bool LeastSquaresSolver(const TMatrix& a, TMatrix& p) {
    TMatrix c = a.Clone();
    c.Transpose();
    p = c.Clone();
    p.Mul(a);
    if (!p.Inv())
        return false;
    p.Mul(c);
    return true;
}

} // namespace mv
