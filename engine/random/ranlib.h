// Uniform generator (L'Ecuyer combined MLCG, 32 virtual generators) and the variates
// the model draws from. One process-wide generator state; not reentrant.
#pragma once

#include <cstdint>

// --- uniform generator and seeding
void initrgconst();
void initgn(int32_t isdtyp);
void setseedall(int32_t iseed1, int32_t iseed2);
int32_t ignraw();
float genunit();  // in (0, 1]; can be exactly 1.0
int32_t mltmod(int32_t a, int32_t s, int32_t m);
void gscgn(int32_t getset, int32_t* g);
void gsinit(int32_t getset, int32_t* value);
void gsseed(int32_t getset, int32_t* value);
// Initial seed pair of generator g (1..32); false, leaving the outputs alone, when g is
// out of range. For inspection only: nothing in the engine needs it.
bool getinitsd(int32_t g, int32_t* iseed1, int32_t* iseed2);

// --- variates
float genstdnorm();
double gengammacf(double a);  // shape a > 1
void gendirichlet(double* out, const double* alpha, int32_t k);
void setgmn(const float* meanv, float* covm, int32_t p, float* parm);
void genmvnorm(const float* parm, float* x, float* work);
void cholfac(float* a, int32_t lda, int32_t n, int32_t* info);
float dotprod(int32_t n, const float* sx, int32_t incx, const float* sy, int32_t incy);
