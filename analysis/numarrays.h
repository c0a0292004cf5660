#pragma once

// Small dense linear algebra on plain heap arrays, just enough for the
// least-squares fit: LU decomposition with partial pivoting and the two
// triangular substitutions.
//
// A matrix of size n is an array of n row pointers, each row n doubles;
// element (r, c) is matrix[r][c]. Rows are never moved: the row permutation
// is kept in an index vector perm, where logical row m is physical row
// perm[m]. Every routine that takes perm reads and writes rows and vector
// entries by their physical index, so the solution component k of a solve
// stands at x[perm[k]], not at x[k].
//
// The class holds no data; each call takes the size n explicitly. Sizes of
// 0 or below make the three solver routines return without touching
// anything. The allocators throw std::bad_array_new_length for a negative n.
class NumArrays
{
public:
    double** newMatrix(int n);
    double* newVector(int n);
    int* newIndexVector(int n);

    void zeroMatrix(int n, double** m);
    void zeroVector(int n, double* v);

    // P * A = L * U, row m of P * A being row perm[m] of A. L is unit lower
    // triangular, U upper triangular, both stored in physical row order: the
    // factors' entry (m, c) lies at row perm[m], column c. A is left alone.
    // The only guard is for a zero elimination divisor, which is replaced by
    // 1.0; a singular A is not detected.
    void luDecompose(int n, const double* const* a, double** l, double** u, int* perm);
    // Solves L * y = P * b. b is left alone.
    void forwardSubstitute(int n, const double* const* l, const double* b, double* y,
                           const int* perm);
    // Solves U * x = y. y is left alone. A zero on U's diagonal gives an
    // infinite or NaN solution; nothing is guarded.
    void backSubstitute(int n, const double* const* u, const double* y, double* x, const int* perm);

    // Each free routine accepts null and frees only what is there.
    void freeMatrix(int n, double** m);
    void freeVector(double* v);
    void freeIndexVector(int* v);
};
