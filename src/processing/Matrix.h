#pragma once
// A small dense float64 matrix addressed from 1, with the in-place transposition,
// multiplication and Gauss-Jordan inversion that the least-squares fits use.
#include <vector>

namespace mv {

class TMatrix {
public:
    TMatrix() = default;
    TMatrix(int rowCount, int colCount);

    // Cells[i][j], i and j from 1; row 0 and column 0 exist and are not used.
    std::vector<std::vector<double>> Cells;

    int RowCount() const { return static_cast<int>(Cells.empty() ? 0 : Cells.size() - 1); }
    // Read from row 1; a matrix without rows has no columns.
    int ColCount() const;
    void SetRowCount(int n);
    void SetColCount(int n);

    double& operator()(int i, int j) { return Cells.at(i).at(j); }
    double operator()(int i, int j) const { return Cells.at(i).at(j); }

    TMatrix Clone() const { return *this; }
    void Eye(int rowCount, int colCount);
    void Transpose();
    // self := self * m when ColCount = m.RowCount; otherwise nothing changes (false).
    bool Mul(const TMatrix& m);
    // self := inverse of self for a square matrix. Returns false when a zero pivot ends
    // the elimination (the matrix then holds a partly transformed value) or the matrix
    // is not square (unchanged).
    bool Inv();

private:
    int cols_ = 0;
};

// Least squares through the normal equations: P = (A'A)^-1 A', then x = P y for each
// right side. Returns false when A'A is singular.
bool LeastSquaresSolver(const TMatrix& a, TMatrix& p);

} // namespace mv
