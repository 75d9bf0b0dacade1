#!/usr/bin/Rscript
# Reference figures for comparing data sets, the lack-of-fit test of replicates, weighted
# least squares and the 95 % bands, computed with R's nls independently of Kinetra.
#
# Writes beside this script one data file per data set (NAME.csv, "concentration,rate" lines,
# rates net of the baseline, every value with at most four significant digits) and
# references.json with
#
#   comparisons  per case: the weighting, the sets (name, file) and
#     separate   each set fitted alone: V, n, K and their standard errors (vcov of nls), SSR;
#                the sum of their SSRs and df = N - 3k
#     tests      V, n, K shared (the others per set) and "all" (one curve): the shared value,
#                the estimates per set, SSR, df, F = ((SSR_s - SSR_sep)/(df_s - df_sep)) /
#                (SSR_sep/df_sep), p = pf(F, df_s - df_sep, df_sep, lower.tail = FALSE) and
#                deltaAICc = AICc(shared) - AICc(separate), AICc = N ln(SSR/N) + 2k +
#                2k(k+1)/(N-k-1), k = fitted parameters + 1
#   curves       per case: the weighting, the file, and for the Hill law fitted alone: the
#                estimates (V, n, K, VK = V/K), standard errors (VK by the delta method),
#                t limits (qt), profile limits (the other two re-fitted by nls with one held,
#                the crossing of SSR (1 + t^2/df) found by uniroot), SSR, Syx, R^2 (about the
#                weighted mean), the fit at n = 1 with its F test (pf) and deltaAICc; the
#                lack-of-fit test where a concentration is repeated (pure error from
#                lm(rate ~ factor(conc)), lack of fit = SSR - pure error); the bands at 6
#                concentrations evenly spaced in ln S from the lowest to the highest (gradient
#                from deriv(), covariance vcov(), half widths qt(0.975, df) sqrt(g'Cg) and
#                qt(0.975, df) sqrt(s^2/w(f) + g'Cg), w(f) the weight of a rate f).
#
# Weights: none 1, relative 1/y^2, poisson 1/y (nls weights=). Every fit is started from
# several places (Gauss-Newton, then the "port" algorithm where it fails) and the lowest SSR
# kept. Needs only base R.
#
# Run:  Rscript tests/data/stats/experiments/make_references.R

args <- commandArgs(trailingOnly = FALSE)
here <- dirname(normalizePath(sub("^--file=", "", args[grep("^--file=", args)])))

ctl <- nls.control(maxiter = 1000, tol = 1e-10, minFactor = 1e-14, warnOnly = FALSE)

weights_of <- function(y, weighting) {
  switch(weighting, none = rep(1, length(y)), relative = 1 / y^2, poisson = 1 / y)
}

# nls from one start: Gauss-Newton, then port; NULL when neither converges.
try_nls <- function(formula, data, start, w) {
  data$w <- w
  for (alg in c("default", "port")) {
    fit <- tryCatch(nls(formula, data = data, start = start, weights = w, algorithm = alg, control = ctl),
                    error = function(e) NULL)
    if (!is.null(fit)) return(fit)
  }
  NULL
}

lowest <- function(fits) {
  fits <- Filter(Negate(is.null), fits)
  if (length(fits) == 0) stop("no fit converged")
  fits[[which.min(sapply(fits, deviance))]]
}

hill_formula <- y ~ V / (1 + exp(n * (lK - log(S))))

# The Hill law alone from automatic starts and the ones given (lists of V, n, K).
fit_hill <- function(S, y, w, extra = list()) {
  top <- max(y)
  half <- S[which.min(abs(y - top / 2))]
  starts <- c(lapply(c(1, 0.5, 2, 4), function(n0) list(V = top, n = n0, K = half)),
              list(list(V = 2 * top, n = 1, K = max(S))), extra)
  lowest(lapply(starts, function(s)
    try_nls(hill_formula, data.frame(S = S, y = y), list(V = s$V, n = s$n, lK = log(s$K)), w)))
}

# Estimates and covariance in (V, n, K): vcov in (V, n, ln K) scaled by dK/dlnK = K.
plain <- function(fit) {
  cf <- coef(fit)
  K <- exp(cf[["lK"]])
  D <- diag(c(1, 1, K))
  list(V = cf[["V"]], n = cf[["n"]], K = K, cov = D %*% vcov(fit) %*% D, ssr = deviance(fit))
}

aicc <- function(ssr, N, k) {
  if (N - k - 1 <= 0 || ssr <= 0) return(NULL)
  N * log(ssr / N) + 2 * k + 2 * k * (k + 1) / (N - k - 1)
}

# ---------------------------------------------------------------- one curve

# SSR with parameter `which` held at `value`, the other two re-fitted from the estimates and
# from the last profile point; the lower one.
profile_ssr <- function(S, y, w, est, which, value, warm) {
  d <- data.frame(S = S, y = y)
  fits <- list()
  for (s in list(est, warm$value)) {
    s[[which]] <- value
    start <- list(V = s$V, n = s$n, lK = log(s$K))
    if (which == "V") { d$Vh <- value; f <- y ~ Vh / (1 + exp(n * (lK - log(S)))); start$V <- NULL }
    if (which == "n") { d$nh <- value; f <- y ~ V / (1 + exp(nh * (lK - log(S)))); start$n <- NULL }
    if (which == "K") { d$lKh <- log(value); f <- y ~ V / (1 + exp(n * (lKh - log(S)))); start$lK <- NULL }
    fit <- try_nls(f, d, start, w)
    if (is.null(fit)) {
      # far out along a profile Gauss-Newton and port may both fail: Nelder-Mead first
      ssr <- function(q) {
        v <- sum(w * (d$y - eval(f[[3]], c(as.list(d), as.list(q))))^2)
        if (is.finite(v)) v else 1e300
      }
      o <- optim(unlist(start), ssr, control = list(maxit = 20000, reltol = 1e-14))
      fit <- try_nls(f, d, as.list(o$par), w)
    }
    fits <- c(fits, list(fit))
  }
  best <- lowest(fits)
  cf <- as.list(coef(best))
  p <- list(V = if (which == "V") value else cf$V, n = if (which == "n") value else cf$n,
            K = if (which == "K") value else exp(cf$lK))
  warm$value <- p
  deviance(best)
}

profile_limit <- function(S, y, w, est, which, target, direction) {
  warm <- new.env()
  warm$value <- est
  g <- function(v) profile_ssr(S, y, w, est, which, v, warm) - target
  e <- est[[which]]
  end <- if (direction > 0) e * 1e6 else e / 1e6
  factor <- 1.02
  prev <- e
  repeat {
    v <- if (direction > 0) min(prev * factor, end) else max(prev / factor, end)
    if (g(v) >= 0) break
    if (v == end) return(NULL)
    prev <- v
    factor <- min(factor * 1.3, 4)
  }
  uniroot(g, sort(c(prev, v)), tol = 1e-13 * abs(e), maxiter = 500)$root
}

bands <- function(S, est, cov, s2, df, weighting, count) {
  law <- deriv(~ V / (1 + (K / S)^n), c("V", "n", "K"), function(V, n, K, S) {})
  at <- exp(seq(log(min(S)), log(max(S)), length.out = count))
  t <- qt(0.975, df)
  lapply(at, function(s) {
    v <- law(est$V, est$n, est$K, s)
    f <- as.numeric(v)
    g <- attr(v, "gradient")[1, ]
    var <- as.numeric(t(g) %*% cov %*% g)
    inv_w <- switch(weighting, none = 1, relative = f^2, poisson = abs(f))
    half <- t * sqrt(var)
    half_new <- t * sqrt(s2 * inv_w + var)
    c(s, f, f - half, f + half, f - half_new, f + half_new)
  })
}

replicates <- function(S, y, w, ssr) {
  c <- length(unique(S))
  m <- length(S)
  if (c == m || c <= 3) return(NULL)
  pure <- deviance(lm(y ~ factor(S), weights = w))
  lof <- ssr - pure
  F <- (lof / (c - 3)) / (pure / (m - c))
  list(concentrations = c, pureErrorSs = pure, pureErrorDf = m - c, lackOfFitSs = lof, lackOfFitDf = c - 3,
       F = F, p = pf(F, c - 3, m - c, lower.tail = FALSE))
}

curve_references <- function(S, y, weighting) {
  w <- weights_of(y, weighting)
  fit <- fit_hill(S, y, w)
  e <- plain(fit)
  m <- length(S)
  df <- m - 3
  s2 <- e$ssr / df
  t <- qt(0.975, df)
  se <- sqrt(diag(e$cov))
  grad <- c(1 / e$K, 0, -e$V / e$K^2)
  se_vk <- sqrt(as.numeric(t(grad) %*% e$cov %*% grad))
  est <- list(V = e$V, n = e$n, K = e$K)
  target <- e$ssr * (1 + t^2 / df)
  prof <- lapply(c("V", "n", "K"), function(p)
    list(profile_limit(S, y, w, est, p, target, -1), profile_limit(S, y, w, est, p, target, +1)))
  names(prof) <- c("V", "n", "K")
  ests <- c(e$V, e$n, e$K, e$V / e$K)
  ses <- c(se, se_vk)
  ci <- lapply(1:4, function(i) list(ests[i] - t * ses[i], ests[i] + t * ses[i]))
  names(ci) <- c("V", "n", "K", "VK")
  hyp <- lowest(list(try_nls(y ~ V / (1 + exp(lK - log(S))), data.frame(S = S, y = y),
                             list(V = e$V, lK = log(e$K)), w)))
  ssr1 <- deviance(hyp)
  F <- (ssr1 - e$ssr) / s2
  a_hill <- aicc(e$ssr, m, 4)
  a_hyp <- aicc(ssr1, m, 3)
  mean_w <- sum(w * y) / sum(w)
  list(weighting = weighting, points = m, degreesOfFreedom = df,
       estimates = list(V = e$V, n = e$n, K = e$K, VK = e$V / e$K),
       standardErrors = list(V = se[1], n = se[2], K = se[3], VK = se_vk),
       ci95 = ci, profileCi95 = prof, ssr = e$ssr, syx = sqrt(s2),
       r2 = 1 - e$ssr / sum(w * (y - mean_w)^2),
       hyperbolic = list(V = coef(hyp)[["V"]], K = exp(coef(hyp)[["lK"]]), ssr = ssr1),
       fTest = list(F = F, p = pf(F, 1, df, lower.tail = FALSE)),
       deltaAICc = if (is.null(a_hill) || is.null(a_hyp)) NULL else a_hyp - a_hill,
       replicates = replicates(S, y, w, e$ssr),
       bands = list(count = 6, low = min(S), high = max(S),
                    points = bands(S, est, e$cov, s2, df, weighting, 6)))
}

# ---------------------------------------------------------------- data sets compared

# nls of the sets together with `shared` ("V", "n", "K" or "all") from several starts.
fit_shared <- function(d, w, own, shared) {
  k <- length(own)
  V0 <- sapply(own, `[[`, "V"); n0 <- sapply(own, `[[`, "n"); lK0 <- log(sapply(own, `[[`, "K"))
  formula <- switch(shared,
    V = y ~ V / (1 + exp(n[g] * (lK[g] - log(S)))),
    n = y ~ V[g] / (1 + exp(n * (lK[g] - log(S)))),
    K = y ~ V[g] / (1 + exp(n[g] * (lK - log(S)))),
    all = y ~ V / (1 + exp(n * (lK - log(S)))))
  per_set <- list(V = V0, n = n0, lK = lK0)
  starts <- list()
  if (shared == "all") {
    starts[[1]] <- list(V = mean(V0), n = mean(n0), lK = mean(lK0))
    for (j in 1:k) starts[[j + 1]] <- list(V = V0[j], n = n0[j], lK = lK0[j])
  } else {
    key <- if (shared == "K") "lK" else shared
    for (v in c(mean(per_set[[key]]), median(per_set[[key]]), per_set[[key]])) {
      s <- per_set
      s[[key]] <- v
      starts[[length(starts) + 1]] <- s
    }
  }
  lowest(lapply(starts, function(s) try_nls(formula, d, s, w)))
}

comparison_references <- function(sets, weighting) {
  k <- length(sets)
  own <- list()
  separate <- list()
  d <- data.frame()
  for (j in 1:k) {
    S <- sets[[j]]$S
    y <- sets[[j]]$y
    e <- plain(fit_hill(S, y, weights_of(y, weighting)))
    own[[j]] <- e
    se <- sqrt(diag(e$cov))
    separate[[j]] <- list(V = e$V, n = e$n, K = e$K, seV = se[1], seN = se[2], seK = se[3], ssr = e$ssr)
    d <- rbind(d, data.frame(S = S, y = y, g = j))
  }
  w <- weights_of(d$y, weighting)
  N <- nrow(d)
  ssr_sep <- sum(sapply(own, `[[`, "ssr"))
  df_sep <- N - 3 * k
  tests <- list()
  for (shared in c("V", "n", "K", "all")) {
    fit <- fit_shared(d, w, own, shared)
    cf <- coef(fit)
    at <- function(name, j) { v <- cf[grep(paste0("^", name), names(cf))]; if (length(v) == 1) v[[1]] else v[[j]] }
    estimates <- lapply(1:k, function(j) c(at("V", j), at("n", j), exp(at("lK", j))))
    p <- length(cf)
    ssr <- deviance(fit)
    df <- N - p
    F <- ((ssr - ssr_sep) / (df - df_sep)) / (ssr_sep / df_sep)
    a_s <- aicc(ssr, N, p + 1)
    a_sep <- aicc(ssr_sep, N, 3 * k + 1)
    tests[[shared]] <- list(
      shared = switch(shared, V = cf[["V"]], n = cf[["n"]], K = exp(cf[["lK"]]), all = NULL),
      estimates = estimates, ssr = ssr, df = df, F = F, p = pf(F, df - df_sep, df_sep, lower.tail = FALSE),
      deltaAICc = if (is.null(a_s) || is.null(a_sep)) NULL else a_s - a_sep)
  }
  list(weighting = weighting, sets = lapply(sets, function(s) list(name = s$name, file = s$file)),
       separate = list(sets = separate, ssr = ssr_sep, df = df_sep), tests = tests)
}

# ---------------------------------------------------------------- data

four <- function(x) signif(x, 4)
hill_rates <- function(S, V, n, K) V / (1 + (K / S)^n)
geom <- function(a, b, m) four(exp(seq(log(a), log(b), length.out = m)))

write_set <- function(name, S, y) {
  lines <- sprintf("%.4g,%.4g", S, y)
  writeLines(lines, file.path(here, paste0(name, ".csv")), sep = "\n")
  list(name = name, file = paste0(name, ".csv"), S = S, y = y)
}

set.seed(20261210)
pur <- datasets::Puromycin
treated <- write_set("puromycin_treated", pur$conc[pur$state == "treated"], pur$rate[pur$state == "treated"])
untreated <- write_set("puromycin_untreated", pur$conc[pur$state == "untreated"], pur$rate[pur$state == "untreated"])

S <- geom(0.1, 10, 10)
v_low <- write_set("v_change_low", S, four(hill_rates(S, 100, 1.5, 1) + rnorm(10, 0, 2)))
v_high <- write_set("v_change_high", S, four(hill_rates(S, 150, 1.5, 1) + rnorm(10, 0, 2)))

S <- geom(0.05, 20, 9)
k_sets <- lapply(c(0.5, 1, 2), function(K)
  write_set(paste0("k_change_", K), S, four(hill_rates(S, 50, 1.2, K) + rnorm(9, 0, 1))))

S <- geom(0.1, 10, 12)
n_one <- write_set("n_change_1", S, four(hill_rates(S, 80, 1, 1) + rnorm(12, 0, 1.5)))
n_more <- write_set("n_change_2.5", S, four(hill_rates(S, 80, 2.5, 1) + rnorm(12, 0, 1.5)))

# the same curve twice, scatter in proportion to the rate
S <- geom(0.05, 20, 10)
rel <- lapply(1:2, function(j)
  write_set(paste0("relative_", j), S, four(hill_rates(S, 60, 1.3, 0.8) * (1 + rnorm(10, 0, 0.05)))))

# counts per minute: the variance grows with the rate; K differs in the second set
S <- geom(0.2, 40, 11)
counts <- lapply(1:3, function(j)
  write_set(paste0("counts_", j), S, rpois(11, hill_rates(S, 500, 1, c(2, 4, 2)[j]))))

# replicates: Hill data in duplicate; a two-site curve in triplicate, which the Hill law
# does not follow
S <- rep(geom(0.1, 10, 8), each = 2)
dup <- write_set("duplicates", S, four(hill_rates(S, 40, 1.4, 1) + rnorm(16, 0, 0.8)))
S <- rep(geom(0.1, 50, 7), each = 3)
inhibited <- 100 * S / (1 + S + S^2 / 20)
tri <- write_set("triplicates", S, four(inhibited * (1 + rnorm(21, 0, 0.02))))

S <- geom(0.02, 50, 12)
rel_curve <- write_set("relative_curve", S, four(hill_rates(S, 5e-3, 0.7, 0.6) * (1 + rnorm(12, 0, 0.06))))
S <- geom(0.1, 10, 10)
poisson_curve <- write_set("poisson_curve", S, rpois(10, hill_rates(S, 2000, 2.2, 1.5)))

comparisons <- list(
  puromycin = comparison_references(list(treated, untreated), "none"),
  v_change = comparison_references(list(v_low, v_high), "none"),
  k_change_three = comparison_references(k_sets, "none"),
  n_change = comparison_references(list(n_one, n_more), "none"),
  relative_two_sets = comparison_references(rel, "relative"),
  poisson_three_sets = comparison_references(counts, "poisson"))

curve <- function(set, weighting) {
  message(set$name, " (", weighting, ")")
  c(list(file = set$file), curve_references(set$S, set$y, weighting))
}
curves <- list(
  puromycin_treated = curve(treated, "none"),
  duplicates = curve(dup, "none"),
  triplicates = curve(tri, "none"),
  triplicates_relative = curve(tri, "relative"),
  relative_curve = curve(rel_curve, "relative"),
  poisson_curve = curve(poisson_curve, "poisson"))

# ---------------------------------------------------------------- JSON

json <- function(x, indent = "") {
  inner <- paste0(indent, " ")
  if (is.null(x)) return("null")
  if (is.list(x) && !is.null(names(x))) {
    items <- mapply(function(k, v) paste0(inner, "\"", k, "\": ", json(v, inner)), names(x), x)
    return(paste0("{\n", paste(items, collapse = ",\n"), "\n", indent, "}"))
  }
  if (is.list(x)) {
    if (length(x) == 0) return("[]")
    return(paste0("[\n", paste0(inner, sapply(x, json, indent = inner), collapse = ",\n"), "\n", indent, "]"))
  }
  if (length(x) != 1) return(json(as.list(x), indent))
  if (is.character(x)) return(paste0("\"", x, "\""))
  if (is.logical(x)) return(if (x) "true" else "false")
  if (!is.finite(x)) stop("a figure is not finite")
  sprintf("%.17g", x)
}

writeLines(json(list(comparisons = comparisons, curves = curves)), file.path(here, "references.json"))
