#include "processing/Matrix.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TMatrix of(std::initializer_list<std::initializer_list<double>> rows) {
    TMatrix m(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()));
    int i = 1;
    for (const auto& r : rows) {
        int j = 1;
        for (double v : r)
            m(i, j++) = v;
        ++i;
    }
    return m;
}

TEST(TMatrix, InverseOfSmallMatrices) {
    TMatrix a = of({{2, 0}, {0, 4}});
    EXPECT_TRUE(a.Inv());
    EXPECT_EQ(a.Cells, of({{0.5, 0}, {0, 0.25}}).Cells);
    TMatrix b = of({{0, 1}, {1, 0}});
    EXPECT_TRUE(b.Inv());
    EXPECT_EQ(b.Cells, of({{0, 1}, {1, 0}}).Cells);
    TMatrix c = of({{4, 7, 2}, {3, 6, 1}, {2, 5, 3}});
    TMatrix inv = c.Clone();
    ASSERT_TRUE(inv.Inv());
    c.Mul(inv);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            EXPECT_NEAR(c(i, j), i == j ? 1.0 : 0.0, 1e-12);
}

TEST(TMatrix, SingularAndMismatchedOperations) {
    TMatrix s = of({{1, 2}, {2, 4}});
    EXPECT_FALSE(s.Inv()); // ends at the zero pivot of the backward phase
    TMatrix a = of({{1, 2, 3}, {4, 5, 6}});
    const TMatrix before = a;
    EXPECT_FALSE(a.Mul(of({{1, 2, 3}, {4, 5, 6}})));
    EXPECT_EQ(a.Cells, before.Cells);
    EXPECT_FALSE(a.Inv());
    EXPECT_EQ(a.Cells, before.Cells);
    a.Transpose();
    EXPECT_EQ(a.RowCount(), 3);
    EXPECT_EQ(a.ColCount(), 2);
    EXPECT_EQ(a(3, 2), 6.0);
    TMatrix empty(0, 0);
    EXPECT_EQ(empty.ColCount(), 0);
    EXPECT_EQ(empty.RowCount(), 0);
}

TEST(TMatrix, NormalEquationsFitALine) {
    const TMatrix a = of({{1, 1}, {2, 1}, {3, 1}});
    TMatrix p;
    ASSERT_TRUE(LeastSquaresSolver(a, p));
    TMatrix x = p.Clone();
    ASSERT_TRUE(x.Mul(of({{1}, {2}, {3}})));
    EXPECT_NEAR(x(1, 1), 1.0, 1e-12);
    EXPECT_NEAR(x(2, 1), 0.0, 1e-12);
}

} // namespace
} // namespace mv
