// zel dist: probability, density and quantile of the statistics unit's
// distributions from the command line.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <system_error>

#include "commands.h"
#include "toolkit.h"
#include "zel_format.h"
#include "zel_statis.h"

namespace zeltool {

namespace {

const char* const kDistUsage =
    "usage: zel dist LAW WHAT VALUE [PARAMETERS] [--format text|csv|json]\n"
    "WHAT is p (lower-tail probability P(X <= VALUE)), d (density, or for a\n"
    "discrete law the probability of VALUE) or q (quantile: VALUE is a\n"
    "probability, the result the smallest x with P(X <= x) >= VALUE).\n"
    "LAW and its PARAMETERS:\n"
    "  normal                      standard normal                 p d q\n"
    "  t       DF                  Student t, DF >= 1 (integer)    p d q\n"
    "  F       DF1 DF2             F, DF1, DF2 >= 1 (integers)     p d q\n"
    "  chi2    DF                  chi-square, DF >= 1 (integer)   p d q\n"
    "  binom   N PROB              successes in N trials of\n"
    "                              probability PROB (0..1)         p d q\n"
    "  u       N1 N2               Mann-Whitney U of two samples,\n"
    "                              N1, N2 >= 1, N1*N2 <= 10000     p d q\n"
    "  hyper   P NPOP NSAMPLE      successes in NSAMPLE drawn from\n"
    "                              NPOP items, round(P*NPOP) good  d\n"
    "  weibull SHAPE SCALE         Weibull, SHAPE, SCALE > 0       d\n"
    "Discrete VALUEs (binom, u, hyper) are integers. --format csv and json\n"
    "give law, what, value, parameters and result (text: the result alone).\n"
    "examples:\n"
    "  zel dist normal p 1.96      zel dist normal q 0.975\n"
    "  zel dist t p 2.1 10         zel dist chi2 q 0.95 3\n"
    "  zel dist binom d 3 10 0.5   zel dist F q 0.99 3 20\n"
    "Exit status: 0 done, 1 no result for these parameters, 2 wrong usage.\n";

// Bad input: say what is wrong, show the usage, exit code 2.
int Usage(const std::string& Why) {
  if (!Why.empty()) std::fprintf(stderr, "zel dist: %s\n", Why.c_str());
  std::fputs(kDistUsage, stderr);
  return 2;
}

// The whole of S as a finite double (locale-independent).
bool ToReal(const std::string& S, double& X) {
  const char* first = S.data();
  const char* last = S.data() + S.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, X);
  return ec == std::errc() && ptr == last && first != last && std::isfinite(X);
}


struct Law {
  const char* name;
  int nparams;
  const char* params;  // for messages
  const char* whats;   // the WHATs it offers
  bool discrete;
};

constexpr Law kLaws[] = {
    {"normal", 0, "", "pdq", false},          {"t", 1, "DF", "pdq", false},
    {"F", 2, "DF1 DF2", "pdq", false},        {"chi2", 1, "DF", "pdq", false},
    {"binom", 2, "N PROB", "pdq", true},      {"u", 2, "N1 N2", "pdq", true},
    {"hyper", 3, "P NPOP NSAMPLE", "d", true}, {"weibull", 2, "SHAPE SCALE", "d", false},
};

const Law* FindLaw(const std::string& Name) {
  for (const Law& l : kLaws)
    if (Name == l.name) return &l;
  return nullptr;
}

// Degrees of freedom or sample sizes: integers >= 1.
bool ToCount(const std::string& S, int& N) { return ToInt(S, N) && N >= 1; }

// The result in the chosen format.
void PrintResult(TOutFormat F, const Args& A, const TCell& Value, double R) {
  if (F == TOutFormat::Text) {
    std::printf("%s\n", zel::FloatToStrShortest(R).c_str());
    return;
  }
  std::string params;
  for (std::size_t i = 3; i < A.size(); ++i) params += (i > 3 ? " " : "") + A[i];
  const TReportTable t{{"law", "what", "value", "parameters", "result"},
                       {{TCell::Text(A[0]), TCell::Text(A[1]), Value, TCell::Text(params), TCell::Num(R)}}};
  if (F == TOutFormat::Csv)
    PrintCsv(t);
  else
    std::printf("%s\n", JsonObject(t.Keys, t.Rows[0]).c_str());
}

}  // namespace

int RunDist(const Args& argsIn) {
  Args args = argsIn;
  TOutFormat format = TOutFormat::Text;
  if (std::string why; !TakeFormatOption(args, format, why)) return Usage(why);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kDistUsage, stdout);
    return 0;
  }
  if (args.empty()) return Usage("");
  const Law* law = FindLaw(args[0]);
  if (!law) return Usage("unknown distribution \"" + args[0] + "\"");
  if (args.size() < 2 || args[1].size() != 1 || std::string(law->whats).find(args[1][0]) == std::string::npos)
    return Usage(std::string(law->name) + " offers " + law->whats + " (WHAT is missing or not one of them)");
  const char what = args[1][0];
  if (args.size() != 3 + static_cast<std::size_t>(law->nparams))
    return Usage(std::string("zel dist ") + law->name + " " + what + " takes VALUE " + law->params);
  const std::string name = law->name;
  const std::string& v = args[2];

  // The value: a probability for q, an integer for discrete p and d, else real.
  double x = 0;
  int k = 0;
  if (what == 'q') {
    if (!ToReal(v, x) || !(x > 0 && x < 1)) return Usage("a probability strictly between 0 and 1 is needed, not \"" + v + "\"");
  } else if (law->discrete) {
    if (!ToInt(v, k)) return Usage("an integer value is needed, not \"" + v + "\"");
  } else if (!ToReal(v, x)) {
    return Usage("\"" + v + "\" is not a number");
  }

  double r = 0;
  int f1 = 0, f2 = 0;
  if (name == "normal") {
    r = what == 'p' ? zel::nDistriIntegral(x) : what == 'd' ? zel::nDistriDensity(x) : zel::nDistriQuantile(x);
  } else if (name == "t" || name == "chi2") {
    if (!ToCount(args[3], f1)) return Usage("DF must be an integer >= 1, not \"" + args[3] + "\"");
    if (name == "t")
      r = what == 'p' ? zel::tDistriIntegral(x, f1) : what == 'd' ? zel::tDistriDensity(x, f1) : zel::tDistriQuantile(x, f1);
    else
      r = what == 'p'   ? zel::chi2DistriIntegral(x, f1)
          : what == 'd' ? zel::Chi2DistriDensity(x, f1)
                        : zel::chi2DistriQuantile(x, f1);
  } else if (name == "F") {
    if (!ToCount(args[3], f1) || !ToCount(args[4], f2)) return Usage("DF1 and DF2 must be integers >= 1");
    r = what == 'p'   ? zel::FDistriIntegral(x, f1, f2)
        : what == 'd' ? zel::FDistriDensity(x, f1, f2)
                      : zel::FDistriQuantile(x, f1, f2);
  } else if (name == "binom") {
    int n = 0;
    double prob = 0;
    if (!ToInt(args[3], n) || n < 0) return Usage("N must be an integer >= 0, not \"" + args[3] + "\"");
    if (!ToReal(args[4], prob) || prob < 0 || prob > 1) return Usage("PROB must lie in 0..1, not \"" + args[4] + "\"");
    if (what == 'q') {
      zel::BinomDistriQuantile(n, prob, x, r);  // arguments validated above
    } else {
      r = what == 'p' ? zel::BinomDistriIntegral(n, prob, k) : zel::BinomDistriDensity(n, prob, k);
    }
  } else if (name == "u") {
    if (!ToCount(args[3], f1) || !ToCount(args[4], f2)) return Usage("N1 and N2 must be integers >= 1");
    if (static_cast<long long>(f1) * f2 > zel::UDistriMaxProduct)
      return Usage("N1 * N2 must not exceed " + std::to_string(zel::UDistriMaxProduct));
    r = what == 'p'   ? zel::UDistriIntegral(f1, f2, k)
        : what == 'd' ? zel::UDistriDensity(f1, f2, k)
                      : zel::UDistriQuantile(f1, f2, x);
  } else if (name == "hyper") {
    double p = 0;
    int npop = 0, nsample = 0;
    if (!ToReal(args[3], p) || !ToInt(args[4], npop) || !ToInt(args[5], nsample))
      return Usage("P is a number in 0..1, NPOP and NSAMPLE are integers");
    try {
      r = zel::HyperGeoDistriDensity(p, npop, nsample, k);
    } catch (const zel::EZELStatisError& e) {
      return Usage(e.Message());
    }
  } else {  // weibull
    double shape = 0, scale = 0;
    if (!ToReal(args[3], shape) || !ToReal(args[4], scale) || shape <= 0 || scale <= 0)
      return Usage("SHAPE and SCALE must be numbers > 0");
    r = zel::WeibullDensity(x, shape, scale);
  }
  if (std::isnan(r)) {
    std::fprintf(stderr, "zel dist: no result to the library's accuracy for these parameters\n");
    return 1;
  }
  PrintResult(format, args, what != 'q' && law->discrete ? TCell::Int(k) : TCell::Num(x), r);
  return 0;
}

}  // namespace zeltool
