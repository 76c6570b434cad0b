// Polymer and tracer cascade of an accepted time step.
#include "run/cascade.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

#include "physics/lookup.h"
#include "physics/physics_state.h"
#include "init/init_state.h"
#include "state/state.h"

namespace talvek {

namespace {

// Water-oil capillary pressure of rock region r at aqueous saturation sa.
// ip holds the interval of a nearby value to try first (the last block's)
// and receives the one found.
double pcow(const State& s, int r, double sa, int& ip) {
  if (s.IQUAD != 0) {
    double x = sa;
    int ipf = 1;
    CEARCH(x, s.FITXF(FTWO, r), s.FITXL(FTWO, r), s.FITRSP(FTWO, r), s.NINT, ipf);
    return EQNVAL(&s.FPCOW(1, 1, r), ipf, x);
  }
  double w = 0, o = 0, pc = 0;
  searchNear(ip, w, o, &s.SWT(1, r), sa, s.NRWO(r), s.ASCWO(r) != 0);
  FUN1D(ip, w, o, &s.PCOW(1, r), pc, s.NRWO(r));
  return pc;
}

// Resistance and residual resistance factors at adsorbed polymer ads; ip as
// for pcow.
void resistance(const State& s, double ads, double& rf, double& rrf, int& ip) {
  rf = rrf = 1.0;
  if (s.IQUAD != 0) {
    if (!(ads > s.FITXF(FTRET, 1))) return;
    double x = ads;
    int ip = 1;
    CEARCH(x, s.FITXF(FTRET, 1), s.FITXL(FTRET, 1), s.FITRSP(FTRET, 1), s.NINT, ip);
    rf = EQNVAL(s.FRF.data(), ip, x);
    rrf = EQNVAL(s.FRRF.data(), ip, x);
    return;
  }
  if (!(ads > s.CRPT(1)) || s.NRRET < 2) return;
  double w = 0, o = 0;
  searchNear(ip, w, o, s.CRPT.data(), ads, s.NRRET, s.ASCRT != 0);
  FUN1D(ip, w, o, s.RF.data(), rf, s.NRRET);
  FUN1D(ip, w, o, s.RRF.data(), rrf, s.NRRET);
}

}  // namespace

namespace {

// Key and block of the cascade order, side by side so that the sort compares
// neighbouring memory rather than looking the keys up through the blocks.
// The array keeps the last order: the next call starts from it.
struct KeyedBlock {
  double key;
  int block;
};
KeyedBlock gKeyed[MXBLK];
int gKeyedN = 0;  // blocks of the last order (0: none yet)

// The cascade visits the blocks in the order of their potential, all over
// the grid: it asks the memory ahead of time for what a block's turn reads,
// its own items some blocks before the turn, and its neighbours' (known by
// then) a few blocks before. A hint only: no value changes. (Inlined where
// it is used: as a call of its own the compiler finds it without effect.)
[[gnu::always_inline]] inline void prefetchOwn(const State& s, int n) {
  __builtin_prefetch(&s.NNB(n));
  __builtin_prefetch(&s.NBN(1, n));
  __builtin_prefetch(&s.NBS(1, n));
  __builtin_prefetch(&s.GRAVW(1, n));
  __builtin_prefetch(&s.GF(1, n));
  __builtin_prefetch(&s.RMOBB(1, KBASE, n));
  __builtin_prefetch(&s.ZC(n));
  __builtin_prefetch(&s.PWCAS(n));
  __builtin_prefetch(&s.P(n));
  __builtin_prefetch(&s.PHI(n));
  __builtin_prefetch(&s.PHIN(n));
  __builtin_prefetch(&s.VB(n));
  __builtin_prefetch(&s.BWN(n));
  __builtin_prefetch(&s.BWB(n));
  __builtin_prefetch(&s.SW(n));
  __builtin_prefetch(&s.SP(n));
  __builtin_prefetch(&s.SA(n));
  __builtin_prefetch(&s.SWN(n));
  __builtin_prefetch(&s.SPN(n));
  __builtin_prefetch(&s.RMASS(n));
  __builtin_prefetch(&s.CRP(n));
  __builtin_prefetch(&s.CRPMAX(n));
  __builtin_prefetch(&s.CPMF(n));
  __builtin_prefetch(&s.CTMF(n));
  __builtin_prefetch(&s.ADS(n));
  __builtin_prefetch(&s.IBLK(n));
  __builtin_prefetch(&s.NKRGN(n));
  __builtin_prefetch(&s.NPVTGN(n));
}
[[gnu::always_inline]] inline void prefetchNeighbours(const State& s, int n) {
  for (int k = 1; k <= s.NNB(n); ++k) {
    const int m = s.NBN(k, n);
    __builtin_prefetch(&s.PWCAS(m));
    __builtin_prefetch(&s.GRAVW(1, m));
    __builtin_prefetch(&s.ZC(m));
  }
}

}  // namespace

void cascadeOrder(const double* key, int n, int* order) {
  // Decreasing key, ties by increasing block number: a strict total order, so
  // any sort gives the one order of the stable sort by key alone, without the
  // merge buffer a stable sort allocates at every step. A key that is not a
  // number counts as the lowest.
  auto k = [key](int b) {
    const double v = key[b - 1];
    return std::isnan(v) ? -std::numeric_limits<double>::infinity() : v;
  };
  auto before = [](const KeyedBlock& a, const KeyedBlock& b) {
    return a.key > b.key || (a.key == b.key && a.block < b.block);
  };
  assert(n <= MXBLK);
  if (n == gKeyedN) {
    // The potentials move little from one step to the next, and so does the
    // order: an insertion sort from the last order moves few blocks. When it
    // has to move many, the whole sort takes over.
    for (int i = 0; i < n; ++i) gKeyed[i].key = k(gKeyed[i].block);
    long moves = 0;
    const long budget = 8L * n;
    for (int i = 1; i < n; ++i) {
      const KeyedBlock x = gKeyed[i];
      int j = i;
      for (; j > 0 && before(x, gKeyed[j - 1]); --j) gKeyed[j] = gKeyed[j - 1];
      gKeyed[j] = x;
      moves += i - j;
      if (moves > budget) {
        std::sort(gKeyed, gKeyed + n, before);
        break;
      }
    }
  } else {
    for (int i = 0; i < n; ++i) gKeyed[i] = {k(i + 1), i + 1};
    std::sort(gKeyed, gKeyed + n, before);
    gKeyedN = n;
  }
  for (int i = 0; i < n; ++i) order[i] = gKeyed[i].block;
}

void CASCDE(State& s) {
  const int nact = s.NGPACT;
  const double dt = s.DTIME, tiny = s.TINY;

  // 1. Water-phase pressure and cascade key.
  int ip = 0;
  for (int n = 1; n <= nact; ++n) {
    s.PWCAS(n) = s.P(n) - pcow(s, s.NKRGN(n), s.SA(n), ip);
  }
  for (int n = 1; n <= nact; ++n) {
    double key = -1.0E29;
    for (int k = 1; k <= s.NNB(n); ++k) {
      key = std::max(key, s.PWCAS(n) - s.GRAVW(s.NBS(k, n), n) * s.ZC(n));
    }
    s.CASKEY(n) = key;
  }

  // 2. Processing order.
  cascadeOrder(s.CASKEY.data(), nact, s.ICASOR.data());

  // 3. The cascade. VCONV gathers the polymer solution turned into water.
  s.VCONV = 0.0;
  constexpr int kOwnAhead = 8, kNbAhead = 4;
  for (int io = 1; io <= nact; ++io) {
    const int n = s.ICASOR(io);
    if (io + kOwnAhead <= nact) prefetchOwn(s, s.ICASOR(io + kOwnAhead));
    if (io + kNbAhead <= nact) prefetchNeighbours(s, s.ICASOR(io + kNbAhead));
    double min = 0, vin = 0, tin = 0, f = 0;
    const double pwn = s.PWCAS(n);
    for (int k = 1; k <= s.NNB(n); ++k) {
      const int m = s.NBN(k, n);
      const int sl = s.NBS(k, n), so = 8 - sl;
      const double fn = pwn - s.GRAVW(sl, n) * s.ZC(n);
      const double fm = s.PWCAS(m) - s.GRAVW(so, m) * s.ZC(m);
      const double d = fn - fm;
      if (d >= 0.0) {
        f += d * s.GF(sl, n);
      } else {
        const double u = -d * s.GF(so, m);
        const double lp = s.RMOBB(JPOL, KBASE, m), la = lp + s.RMOBB(JWAT, KBASE, m);
        vin += u * lp;
        min += u * lp * s.CPMFO(m);
        tin += u * la * s.CTMFO(m);
      }
    }
    const double lpn = s.RMOBB(JPOL, KBASE, n);
    double pout = f * lpn;
    double aout = f * (lpn + s.RMOBB(JWAT, KBASE, n));

    const int code = s.IACTIVE(s.IBLK(n));
    if (code == -2) {
      min -= s.FLOWP(n) * s.CPMFI(n);
      vin -= s.FLOWP(n);
      tin -= (s.FLOWP(n) + s.FLOWW(n)) * s.CTMFI(n);
    } else if (code == -1) {
      pout += s.FLOWP(n) + s.QAP(n);
      aout += s.FLOWP(n) + s.FLOWW(n) + s.QAP(n) + s.QAW(n);
    }

    // Stock-tank volumes, old and new.
    const double phi = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF));
    const double old = s.VB(n) * s.PHIN(n) / s.BWN(n);
    const double vp0 = s.SPN(n) * old;
    const double r = s.VB(n) * phi / s.BWB(n);
    const double vp1 = r * s.SP(n);
    const double va0 = (s.SPN(n) + s.SWN(n)) * old;
    const double va1 = (s.SP(n) + s.SW(n)) * r;

    // Polymer available and the adsorption capacity.
    const double rmass = s.RMASS(n);
    const double ms0 = vp0 * s.CPMF(n);
    const double a0 = s.CRP(n) * rmass;
    const double mf = min * dt + ms0;
    const double mtot = mf + a0;
    const int rr = s.NKRGN(n);
    double sstar = (s.SA(n) - s.SWCR(rr)) / (1.0 - s.SORW(rr) - s.SWCR(rr));
    if (sstar > 1.0) sstar = 1.0;
    const double acap = sstar * s.CRPMAX(n) * rmass;

    double cs, co;
    // A capacity that is not a number (a water-oil table whose mobile range
    // 1 - SORW - SWCR is empty) counts as reached: the block keeps its
    // adsorption and is never divided by its rock mass.
    if (!(a0 < acap - 1.0E-6)) {
      // At capacity: adsorption never decreases.
      s.ADS(n) = s.CRP(n);
      cs = mf / (dt * pout + vp1 + tiny);
      co = cs;
    } else if (mtot > acap) {
      s.ADS(n) = acap / rmass;
      cs = mf / (vp0 + vin * dt + tiny);
      co = (mf - vp1 * cs - acap + a0) / (pout * dt + tiny);
      if (co < 0.0) {
        // The polymer left cannot fill the new polymer solution at cs.
        co = 0.0;
        if (s.KEQW != 0) {
          // The solution it can fill keeps cs; the rest turns into water.
          const double sp1 = (mf - acap + a0) / (cs * r + tiny);
          const double ds = s.SP(n) - sp1;
          s.SP(n) -= ds;
          s.SW(n) += ds;
          s.VCONV += ds * r;
        } else {
          // Without the water equation the saturations stay: the polymer
          // left is spread over the whole polymer solution, at a lower
          // concentration, rather than counted at cs in a volume it does
          // not fill (which would create polymer).
          cs = (mf - acap + a0) / (vp1 + tiny);
        }
      }
    } else {
      // All polymer adsorbed.
      s.ADS(n) = mtot / rmass;
      cs = 0.0;
      co = 0.0;
      if (s.KEQW != 0) {
        s.VCONV += s.SP(n) * r;
        s.SW(n) += s.SP(n);
        s.SP(n) = 0.0;
      }
    }
    const double denws = s.DENWS(s.NPVTGN(n));
    s.CPMF(n) = cs;
    s.CONCP(n) = cs * 1.0E6 / denws;
    s.CPMFO(n) = co;

    // Tracer: no adsorption, no decay.
    const double ct = (tin * dt + va0 * s.CTMF(n)) / (dt * aout + va1 + tiny);
    s.CTMF(n) = ct;
    s.CONCT(n) = ct * 1.0E6 / denws;
    s.CTMFO(n) = ct;
  }

  // 4. Resistance factors at the new adsorption.
  ip = 0;
  for (int n = 1; n <= nact; ++n) resistance(s, s.ADS(n), s.RFB(n), s.RRFB(n), ip);
}

}  // namespace talvek
