// Interblock flow and the Newton system.
//
// For each connection of block n with neighbour j (slot s of n, slot 8 - s
// of j) the phase potential difference dPhi = Phi(j) - Phi(n) decides the
// upstream block once, at the iterate: j when dPhi > 0, n itself otherwise
// (a tie included). The flux F = dPhi * T uses the mobility product T of
// the upstream block's side; its derivatives are one-sided differences over
// the raised states of both blocks with the upstream choice held.
// Connections with n upstream are taken first, then those with j upstream.
#include "physics/jacobian.h"

#include <algorithm>

#include "physics/properties.h"
#include "state/state.h"

namespace talvek {

namespace {

constexpr int kRaised[4] = {KDPO, KDSW, KDX2, KDSP};

// Per-block work: own derivatives (phase, state), flux sums (phase), and the
// neighbour blocks of each connection (connection, phase, state).
struct BlockWork {
  double own[NPHASE + 1][NKSTATE + 1];
  double flux[NPHASE + 1];
  double nb[MXSLOT][NPHASE + 1][NKSTATE + 1];
};

// The raised states whose unknown is solved, in the order of kRaised:
// derivatives over the others would fall outside the system, and are not
// formed.
struct Raised {
  int e[4];
  int n = 0;
  const int* begin() const { return e; }
  const int* end() const { return e + n; }
};

// A connection of the block: neighbour j, slot sl of the block (so of j),
// the phase potentials of both sides and which side is upstream.
struct Conn {
  int j, sl, so;
  double phin, phij, dphi;
  bool nUp;
};

inline void epsOf(const State& s, int n, double eps[NKSTATE + 1]) {
  eps[KBASE] = 1.0;
  eps[KDPO] = s.EPSP;
  eps[KDSW] = s.EPSS;
  eps[KDX2] = s.EPSX2(n);
  eps[KDSP] = s.EPSS;
}

// Water and polymer solution (under the aqueous pressure), or free gas:
// every raised state may change the phase pressure and the mobility.
// Potentials of the block's connections for the phase pressure ph under the
// gravity terms grav; returns the number of connections.
int connections(const State& s, int n, const FArray<double, NKSTATE, MXBLK>& ph,
                const FArray<double, MXSLOT, MXBLK>& grav, Conn (&cn)[MXSLOT]) {
  const int nnb = s.NNB(n);
  const double zn = s.ZC(n);
  for (int k = 1; k <= nnb; ++k) {
    Conn& q = cn[k - 1];
    q.j = s.NBN(k, n);
    q.sl = s.NBS(k, n);
    q.so = 8 - q.sl;
    q.phin = ph(KBASE, n) - grav(q.sl, n) * zn;
    q.phij = ph(KBASE, q.j) - grav(q.so, q.j) * s.ZC(q.j);
    q.dphi = q.phij - q.phin;
    q.nUp = !(q.dphi > 0.0);
  }
  return nnb;
}

template <int NC>
void phaseFlow(const State& s, int n, const FArray<double, NKSTATE, MXBLK>& ph,
               const FArray<double, MXSLOT, MXBLK>& grav, const int (&comps)[NC], const Raised& raised,
               BlockWork& w) {
  double epsn[NKSTATE + 1], epsj[NKSTATE + 1];
  epsOf(s, n, epsn);
  Conn cn[MXSLOT];
  const int nnb = connections(s, n, ph, grav, cn);
  const double zn = s.ZC(n);
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 1; k <= nnb; ++k) {
      const Conn& q = cn[k - 1];
      const int j = q.j, sl = q.sl, so = q.so;
      const double phin = q.phin, phij = q.phij, dphi = q.dphi;
      const bool nUp = q.nUp;
      if (nUp != (pass == 0)) continue;
      epsOf(s, j, epsj);
      for (int c : comps) {
        if (nUp) {
          const double T = s.TRAN(sl, c, KBASE, n);
          const double F = dphi * T;
          w.flux[c] += F;
          for (int e : raised) {
            const double fe = (phij - (ph(e, n) - grav(sl, n) * zn)) * s.TRAN(sl, c, e, n);
            w.own[c][e] += (fe - F) / epsn[e];
            w.nb[k - 1][c][e] += (ph(e, j) - ph(KBASE, j)) * T / epsj[e];
          }
        } else {
          const double T = s.TRAN(so, c, KBASE, j);
          const double F = dphi * T;
          w.flux[c] += F;
          for (int e : raised) {
            w.own[c][e] += -(ph(e, n) - ph(KBASE, n)) * T / epsn[e];
            const double fe = (ph(e, j) - grav(so, j) * s.ZC(j) - phin) * s.TRAN(so, c, e, j);
            w.nb[k - 1][c][e] += (fe - F) / epsj[e];
          }
        }
      }
    }
  }
}

// Oil, with the dissolved gas it carries into the gas equation. The oil
// pressure changes only in the pressure state; the solution ratio of the
// upstream block changes in its pressure and second-unknown states.
void oilFlow(const State& s, int n, const Raised& raised, BlockWork& w) {
  double epsn[NKSTATE + 1], epsj[NKSTATE + 1];
  epsOf(s, n, epsn);
  const auto& po = s.POIL;
  Conn cn[MXSLOT];
  const int nnb = connections(s, n, po, s.GRAVO, cn);
  const double zn = s.ZC(n);
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 1; k <= nnb; ++k) {
      const Conn& q = cn[k - 1];
      const int j = q.j, sl = q.sl, so = q.so;
      const double phin = q.phin, phij = q.phij, dphi = q.dphi;
      const bool nUp = q.nUp;
      if (nUp != (pass == 0)) continue;
      epsOf(s, j, epsj);
      double(&nb)[NPHASE + 1][NKSTATE + 1] = w.nb[k - 1];
      if (nUp) {
        const double R = s.RS(n);
        const double T = s.TRAN(sl, JOIL, KBASE, n);
        const double F = dphi * T;
        w.flux[JOIL] += F;
        w.flux[JGAS] += R * F;
        for (int e : raised) {
          const double fe = (phij - (po(e, n) - s.GRAVO(sl, n) * zn)) * s.TRAN(sl, JOIL, e, n);
          const double d = (fe - F) / epsn[e];
          w.own[JOIL][e] += d;
          if (e == KDX2)
            w.own[JGAS][e] += (fe * s.RSBX(n) - F * R) / epsn[e];
          else if (e == KDPO)
            w.own[JGAS][e] += (fe * s.RSBP(n) - F * R) / epsn[e];
          else
            w.own[JGAS][e] += R * d;
        }
        // The downstream neighbour moves the flux through its pressure only.
        const double d = (po(KDPO, j) - po(KBASE, j)) * T / epsj[KDPO];
        nb[JOIL][KDPO] += d;
        nb[JGAS][KDPO] += R * d;
      } else {
        const double R = s.RS(j);
        const double T = s.TRAN(so, JOIL, KBASE, j);
        const double F = dphi * T;
        w.flux[JOIL] += F;
        w.flux[JGAS] += R * F;
        const double d = -(po(KDPO, n) - po(KBASE, n)) * T / epsn[KDPO];
        w.own[JOIL][KDPO] += d;
        w.own[JGAS][KDPO] += R * d;
        for (int e : raised) {
          const double fe = (po(e, j) - s.GRAVO(so, j) * s.ZC(j) - phin) * s.TRAN(so, JOIL, e, j);
          const double dn = (fe - F) / epsj[e];
          nb[JOIL][e] += dn;
          if (e == KDX2)
            nb[JGAS][e] += (fe * s.RSBX(j) - F * R) / epsj[e];
          else if (e == KDPO)
            nb[JGAS][e] += (fe * s.RSBP(j) - F * R) / epsj[e];
          else
            nb[JGAS][e] += R * dn;
        }
      }
    }
  }
}

// Asks the memory for what the assembly of block m will touch first: the
// properties of its farthest neighbour (the layer above, in the natural
// order), which the blocks since the last layer have not brought in, and
// the coefficient blocks of m it writes. A hint only: no value changes.
// (Inlined where it is used: as a call of its own the compiler finds it
// without effect and drops it.)
[[gnu::always_inline]] inline void prefetchBlock(const State& s, int m, int nuk) {
  const int nm = s.NNB(m);
  if (nm > 0) {
    const int j = s.NBN(nm, m);
    __builtin_prefetch(&s.PWAT(1, j));
    __builtin_prefetch(&s.POIL(1, j));
    __builtin_prefetch(&s.PGAS(1, j));
    __builtin_prefetch(&s.GRAVW(1, j));
    __builtin_prefetch(&s.GRAVO(1, j));
    __builtin_prefetch(&s.GF(1, j));
    __builtin_prefetch(&s.ZC(j));
    __builtin_prefetch(&s.EPSX2(j));
    __builtin_prefetch(&s.RMOBB(1, 1, j));
    __builtin_prefetch(&s.RMOBB(1, 3, j));
    __builtin_prefetch(&s.RMOBB(1, 5, j));
  }
  __builtin_prefetch(&s.VBB(1, 1, 4, m), 1);
  __builtin_prefetch(&s.VBB(1, nuk, 4, m), 1);
  for (int k = 1; k <= nm; ++k) {
    __builtin_prefetch(&s.VBB(1, 1, s.NBS(k, m), m), 1);
    __builtin_prefetch(&s.VBB(1, nuk, s.NBS(k, m), m), 1);
  }
}

// Blocks with terms of their own besides the flow and the accumulation:
// bit 1 a well (rates and their derivatives), bit 2 an influx block. Every
// other block has these terms at zero (PRODUC and INFLUX clear them and set
// only their own blocks'), so its rows are formed without reading them.
unsigned char gSource[MXBLK + 1];

}  // namespace

void JACOBN(State& s) {
  CHKEQN(s);
  const int neq = s.NEQN;
  const int nuk = s.NUKN;
  const bool watOn = s.KEQW > 0, oilOn = s.KEQO > 0, gasOn = s.KEQG > 0, polOn = s.KEQP > 0;
  int iq[NPHASE + 1];
  iq[JWAT] = s.IQW;
  iq[JOIL] = s.IQO;
  iq[JGAS] = s.IQG;
  iq[JPOL] = s.IQP;
  bool on[NPHASE + 1];
  on[JWAT] = watOn;
  on[JOIL] = oilOn;
  on[JGAS] = gasOn;
  on[JPOL] = polOn;
  int pos[NKSTATE + 1];
  pos[KBASE] = 0;
  pos[KDPO] = s.IPO;
  pos[KDSW] = s.ISW;
  pos[KDX2] = s.ISO;
  pos[KDSP] = s.ISP;

  Raised raised;
  for (int e : kRaised)
    if (pos[e] <= nuk) raised.e[raised.n++] = e;

  static constexpr int kAqueous[2] = {JWAT, JPOL};
  static constexpr int kWater[1] = {JWAT};
  static constexpr int kPolymer[1] = {JPOL};
  static constexpr int kGas[1] = {JGAS};

  for (int i = 1; i <= s.NWELM2; ++i) gSource[s.LWELM2(i)] |= 1;
  for (int i = 1; i <= s.NWELM1; ++i) gSource[s.LWELM1(i)] |= 1;
  if (s.IDAQFR != 1)
    for (int i = 1; i <= s.NAQBLK; ++i) gSource[s.LAQBLK(i)] |= 2;

  BlockWork w;
  constexpr int kAhead = 6;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const int nnb = s.NNB(n);
    if (n + kAhead <= s.NGPACT) prefetchBlock(s, n + kAhead, nuk);
    // Cleared as one run of memory: the block's connections only.
    std::fill_n(&w.flux[0], NPHASE + 1, 0.0);
    std::fill_n(&w.own[0][0], (NPHASE + 1) * (NKSTATE + 1), 0.0);
    std::fill_n(&w.nb[0][0][0], nnb * (NPHASE + 1) * (NKSTATE + 1), 0.0);

    if (watOn && polOn)
      phaseFlow(s, n, s.PWAT, s.GRAVW, kAqueous, raised, w);
    else if (watOn)
      phaseFlow(s, n, s.PWAT, s.GRAVW, kWater, raised, w);
    else if (polOn)
      phaseFlow(s, n, s.PWAT, s.GRAVW, kPolymer, raised, w);
    if (oilOn) oilFlow(s, n, raised, w);
    if (gasOn) phaseFlow(s, n, s.PGAS, s.GRAVG, kGas, raised, w);

    // Diagonal and neighbour blocks of the solved rows and columns. (Zero
    // well and aquifer terms change nothing: x - 0 is x, and a zero rate
    // plus a zero influx is +0.)
    const bool src = gSource[n] != 0;
    for (int c = 1; c <= NPHASE; ++c) {
      if (!on[c]) continue;
      const int k = iq[c];
      const FArray<double, MXEQ, MXBLK>& dq = c == JWAT   ? s.DFLOWW
                                              : c == JOIL ? s.DFLOWO
                                              : c == JGAS ? s.DFLOWG
                                                          : s.DFLOWP;
      for (int e : raised) {
        const int u = pos[e];
        if (src)
          s.VBB(k, u, 4, n) = w.own[c][e] - dq(u, n) - s.DACC(k, u, n) - s.DQA(k, u, n);
        else
          s.VBB(k, u, 4, n) = w.own[c][e] - s.DACC(k, u, n);
        for (int m = 1; m <= nnb; ++m) s.VBB(k, u, s.NBS(m, n), n) = w.nb[m - 1][c][e];
      }
    }
    if (src) {
      if (watOn) s.RHS(iq[JWAT], n) = (s.FLOWW(n) + s.QAW(n)) - w.flux[JWAT];
      if (oilOn) s.RHS(iq[JOIL], n) = (s.FLOWO(n) + s.QAO(n)) - w.flux[JOIL];
      if (gasOn) s.RHS(iq[JGAS], n) = (s.FLOWG(n) + s.QAG(n)) - w.flux[JGAS];
      if (polOn) s.RHS(iq[JPOL], n) = (s.FLOWP(n) + s.QAP(n)) - w.flux[JPOL];
    } else {
      if (watOn) s.RHS(iq[JWAT], n) = 0.0 - w.flux[JWAT];
      if (oilOn) s.RHS(iq[JOIL], n) = 0.0 - w.flux[JOIL];
      if (gasOn) s.RHS(iq[JGAS], n) = 0.0 - w.flux[JGAS];
      if (polOn) s.RHS(iq[JPOL], n) = 0.0 - w.flux[JPOL];
    }

    for (int k = 1; k <= neq; ++k) {
      s.RHSFLW(k, n) = s.RHS(k, n);
      s.RHS(k, n) = s.RHS(k, n) + s.ACCR(k, n);
      s.VBB(k, k, 4, n) = s.VBB(k, k, 4, n) + 1.0E-11;
    }
  }
  for (int i = 1; i <= s.NWELM2; ++i) gSource[s.LWELM2(i)] = 0;
  for (int i = 1; i <= s.NWELM1; ++i) gSource[s.LWELM1(i)] = 0;
  if (s.IDAQFR != 1)
    for (int i = 1; i <= s.NAQBLK; ++i) gSource[s.LAQBLK(i)] = 0;
}

}  // namespace talvek
