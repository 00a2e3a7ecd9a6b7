# The slide-quality statistics in R, for comparison with quality_probe.
#   Rscript quality_reference.R fivenum LISTS OUT
#   Rscript quality_reference.R TABLE OUT [TABLE OUT ...]
# Same input and output layout as the probe.

number <- function(v) ifelse(is.na(v), "NA", sprintf("%.17g", v))

read_lists <- function(path) {
  lapply(readLines(path), function(line) {
    fields <- strsplit(line, "\t", fixed = TRUE)[[1]]
    fields <- fields[fields != ""]
    suppressWarnings(as.numeric(fields))
  })
}

# The spatial share: the grid and cut-off of the design page, the transform by fft.
spatial <- function(m, x, y, cutoff = 3, per_cell = 4) {
  ok <- !is.na(m) & is.finite(x) & is.finite(y)
  m <- m[ok]; x <- x[ok]; y <- y[ok]
  p <- length(m)
  if (p == 0) return(c(NA, 0, 0))
  xr <- max(x) - min(x); yr <- max(y) - min(y)
  cells <- p / per_cell
  count <- function(v) min(p, max(1, floor(v + 0.5)))
  if (!(xr > 0) && !(yr > 0)) { nx <- 1; ny <- 1 }
  else if (!(xr > 0)) { nx <- 1; ny <- count(cells) }
  else if (!(yr > 0)) { nx <- count(cells); ny <- 1 }
  else { nx <- count(sqrt(cells * xr / yr)); ny <- count(cells / nx) }
  if (p < 2) return(c(NA, nx, ny))
  u <- if (xr > 0) pmin(nx - 1, floor((x - min(x)) / xr * nx)) else rep(0, p)
  v <- if (yr > 0) pmin(ny - 1, floor((y - min(y)) / yr * ny)) else rep(0, p)
  r <- rank(m) - (p + 1) / 2
  g <- tapply(r, list(factor(u, levels = 0:(nx - 1)), factor(v, levels = 0:(ny - 1))), mean)
  g[is.na(g)] <- 0
  power <- Mod(fft(matrix(g, nx, ny)))^2
  kx <- unique((-cutoff:cutoff) %% nx)
  ky <- unique((-cutoff:cutoff) %% ny)
  total <- sum(power) - power[1, 1]
  low <- sum(power[kx + 1, ky + 1]) - power[1, 1]
  share <- if (all(g == g[1])) NA else low / total
  c(share, nx, ny)
}

slide_statistics <- function(path) {
  t <- read.delim(path, na.strings = "NA")
  files <- max(t$file); spots <- max(t$spot)
  layout <- function(column) {
    z <- matrix(NA_real_, spots, files)
    z[cbind(t$spot, t$file)] <- column
    z
  }
  M <- layout(t$M); A <- layout(t$A); X <- layout(t$X); Y <- layout(t$Y)
  pooled <- M[!is.na(M)]
  lines <- "file\tdistance\tks\thoeffding\tspatial\tnx\tny"
  stats <- matrix(NA_real_, files, 4)
  for (i in 1:files) {
    d <- 0
    for (j in 1:files) if (j != i) d <- d + mean(abs(M[, i] - M[, j]), na.rm = TRUE)
    x <- M[!is.na(M[, i]), i]
    ks <- if (length(x) > 0 && length(pooled) > 0)
      unname(suppressWarnings(ks.test(x, pooled, exact = FALSE)$statistic)) else NA
    both <- !is.na(A[, i]) & !is.na(M[, i])
    hd <- if (sum(both) >= 5) Hmisc::hoeffd(A[both, i], M[both, i])$D[1, 2] else NA
    sp <- spatial(M[, i], X[, i], Y[, i])
    stats[i, ] <- c(d, ks, hd, sp[1])
    lines <- c(lines, paste(c(i, number(stats[i, ]), sp[2], sp[3]), collapse = "\t"))
  }
  names <- c("distance", "ks", "hoeffding", "spatial")
  for (k in 1:4) {
    f <- fivenum(stats[, k])
    fence <- f[4] + 1.5 * (f[4] - f[2])
    flags <- !is.na(stats[, k]) & !is.na(fence) & stats[, k] > fence
    lines <- c(lines, paste(c("fivenum", names[k], number(f)), collapse = "\t"),
               paste(c("outliers", names[k], as.integer(flags)), collapse = "\t"))
  }
  lines
}

args <- commandArgs(trailingOnly = TRUE)
if (args[1] == "fivenum") {
  out <- sapply(read_lists(args[2]), function(v) paste(c("fivenum", number(fivenum(v))), collapse = "\t"))
  writeLines(out, args[3])
} else {
  for (k in seq(1, length(args), by = 2)) writeLines(slide_statistics(args[k]), args[k + 1])
}
