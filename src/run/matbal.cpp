// Material balance of an accepted time step.
#include "run/matbal.h"

#include "state/state.h"

namespace talvek {

void MATBAL(State& s) {
  const double dt = s.DTIME, tiny = s.TINY;
  double dlt[6] = {0, 0, 0, 0, 0, 0};  // change of the amount in place, by component
  double tot[6] = {0, 0, 0, 0, 0, 0};  // amount in place at the new level
  for (int k = 1; k <= 6; ++k) {
    s.QPRDT(k) = 0.0;
    s.QINJT(k) = 0.0;
    s.QAQT(k) = 0.0;
  }
  s.QAQR = 0.0;

  // 1. Amounts in place.
  double sv = 0.0, svp = 0.0;
  for (int n = 1; n <= s.NGPACT; ++n) {
    const double phi = s.PHI(n) * (1.0 + s.CPHI * (s.P(n) - s.PREF));
    const double v = s.VB(n) * phi;
    sv += v;
    svp += v * s.P(n);
    const double w = v * s.SW(n) / s.BWB(n);
    const double o = v * s.SO(n) / s.BOB(n);
    const double g = v * s.SG(n) / s.BGB(n) + o * s.RS(n);
    const double p = v * s.SP(n) / s.BWB(n);
    const double m = p * s.CPMF(n) + s.ADS(n) * s.RMASS(n);
    dlt[1] += o - s.STOIP(n);
    dlt[2] += w - s.WIP(n);
    dlt[3] += g - s.GIP(n);
    dlt[4] += p - s.PSIP(n);
    dlt[5] += m - s.PMIP(n);
    tot[1] += o;
    tot[2] += w;
    tot[3] += g;
    tot[4] += p;
    tot[5] += m;
    s.WIP(n) = w;
    s.STOIP(n) = o;
    s.OIPH(n) = s.HNET(n) * phi * s.SO(n) / s.BOB(n);
    s.GIP(n) = g;
    s.PSIP(n) = p;
    s.PMIP(n) = m;
  }
  // An empty or volume-less grid has no average pressure: 0, not 0/0.
  s.PAVG = sv > 0.0 ? svp / sv : 0.0;

  // 2. Production wells.
  for (int i = 1; i <= s.NWELM1; ++i) {
    const int n = s.LWELM1(i);
    s.QPMPRD(n) = s.FLOWP(n) * s.CPMFO(n);
    const double q[5] = {s.FLOWO(n), s.FLOWW(n), s.FLOWG(n), s.FLOWP(n), s.QPMPRD(n)};
    for (int k = 1; k <= 5; ++k) {
      s.QPRDT(k) += q[k - 1];
      s.CUMPB(k, n) += dt * q[k - 1];
    }
  }

  // 3. Injection wells.
  for (int i = 1; i <= s.NWELM2; ++i) {
    const int n = s.LWELM2(i);
    const double q[5] = {s.FLOWO(n), s.FLOWW(n), s.FLOWG(n), s.FLOWP(n), s.QPMINJ(n)};
    for (int k = 1; k <= 5; ++k) {
      s.QINJT(k) += q[k - 1];
      s.CUMIB(k, n) += dt * q[k - 1];
    }
  }

  // 4. Aquifer: the blocks of the aquifer-block list (kept in the restart-up
  // file, unlike the influx codes it was built from).
  if (s.IDAQFR != 1) {
    for (int i = 1; i <= s.NAQBLK; ++i) {
      const int n = s.LAQBLK(i);
      s.WECUM(n) += dt * s.QAQ(n);
      s.QAQR += s.QAQ(n);
      const double q[5] = {s.QAO(n), s.QAW(n), s.QAG(n), s.QAP(n), s.QAP(n) * s.CPMFO(n)};
      for (int k = 1; k <= 5; ++k) s.QAQT(k) += q[k - 1];
    }
    s.CUMAQR += dt * s.QAQR;
    for (int k = 1; k <= 5; ++k) s.CUMAQ(k) += dt * s.QAQT(k);
  }

  // 5. Step volumes and cumulatives. The aquifer's polymer mass is reported
  // but kept out of the polymer-mass balance. The polymer solution that the
  // cascade of this step turned into water (its polymer all adsorbed or gone
  // on) left the polymer solution and joined the water inside the reservoir:
  // it counts as withdrawn from the one and supplied to the other, so each
  // balance measures what the step failed to conserve, not the transfer.
  // The aqueous total is unchanged by it. Taken once: a step is balanced once.
  double vs[6];
  for (int k = 1; k <= 5; ++k) {
    const double rate = s.QPRDT(k) + s.QINJT(k) + (k <= 4 ? s.QAQT(k) : 0.0);
    vs[k] = dt * rate;
  }
  const double vsaq = vs[2] + vs[4];  // aqueous: the transfer cancels in it
  vs[2] -= s.VCONV;
  vs[4] += s.VCONV;
  s.VCONV = 0.0;
  for (int k = 1; k <= 5; ++k) {
    s.CUMNET(k) += vs[k];
    s.CUMINJ(k) += dt * s.QINJT(k);
    s.CUMPRD(k) += dt * s.QPRDT(k);
  }

  // 6. Balances.
  const double init[6] = {0.0, s.INOIL, s.INWATER, s.INGAS, s.INPOLY, s.INPMAS};
  for (int k = 1; k <= 5; ++k) {
    const double q = s.CUMNET(k);
    s.MBRINC(k) = (k == 5 ? tiny - dlt[k] : -dlt[k]) / (tiny + vs[k]);
    s.MBRCUM(k) = -(tot[k] - init[k]) / (tiny + q);
    s.MBAINC(k) = -(vs[k] + dlt[k]);
    s.MBACUM(k) = -(tot[k] - init[k] + q);
  }
  // The two step volumes (and run totals) carry the transfer with opposite
  // signs: they are summed before TINY is added, so that a sum that cancels
  // to 0 still meets the guard.
  s.MBRINC(6) = -(dlt[2] + dlt[4]) / (tiny + vsaq);
  s.MBRCUM(6) = -((tot[4] + tot[2]) - (init[4] + init[2])) / (tiny + (s.CUMNET(4) + s.CUMNET(2)));

  // 7. Saturation extremes (SO, SW, SG, SP, SA); equal values keep the
  // earlier block.
  for (int f = 1; f <= 5; ++f) {
    s.SMAX(f) = -10.0;
    s.SMIN(f) = 10.0;
    s.NSMAX(f) = 1;
    s.NSMIN(f) = 1;
  }
  for (int n = 1; n <= s.NGPACT; ++n) {
    const double sat[5] = {s.SO(n), s.SW(n), s.SG(n), s.SP(n), s.SA(n)};
    for (int f = 1; f <= 5; ++f) {
      if (sat[f - 1] > s.SMAX(f)) {
        s.SMAX(f) = sat[f - 1];
        s.NSMAX(f) = n;
      }
      if (sat[f - 1] < s.SMIN(f)) {
        s.SMIN(f) = sat[f - 1];
        s.NSMIN(f) = n;
      }
    }
  }
}

}  // namespace talvek
