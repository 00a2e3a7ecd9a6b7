#include "numeric/containers.hpp"

dvector_t dvector(int nl, int nh) { return dvector_t(nl, nh, "allocation failure in dvector()"); }

ivector_t ivector(int nl, int nh) { return ivector_t(nl, nh, "allocation failure in ivector()"); }

dmatrix_t dmatrix(int nrl, int nrh, int ncl, int nch) {
    return dmatrix_t(nrl, nrh, ncl, nch, "allocation failure 1 in dmatrix()", "allocation failure 2 in dmatrix()");
}

cmatrix_t cmatrix(int nrl, int nrh, int ncl, int nch) {
    return cmatrix_t(nrl, nrh, ncl, nch, "allocation failure 1 in cmatrix()", "allocation failure 2 in cmatrix()");
}

void dvector_free(dvector_t& v, int, int) { v.reset(); }
void ivector_free(ivector_t& v, int, int) { v.reset(); }
void dmatrix_free(dmatrix_t& m, int, int, int, int) { m.reset(); }
void cmatrix_free(cmatrix_t& m, int, int, int, int) { m.reset(); }
