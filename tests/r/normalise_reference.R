# The reference side of normalise_check.py: the same tables as
# normalise_probe, through R's lowess and limma.
#
#   Rscript normalise_reference.R lowess INPUT OUTPUT
#   Rscript normalise_reference.R normalise INPUT OUTPUT
#   Rscript normalise_reference.R scale INPUT OUTPUT     (M as given, scaled between files)
args <- commandArgs(trailingOnly = TRUE)
mode <- args[1]
input <- read.delim(args[2], colClasses = "character", na.strings = character(0))
num <- function(v) suppressWarnings(as.numeric(ifelse(v == "NA", NA, v)))
text <- function(v) ifelse(is.na(v), "NA", sprintf("%a", v))

if (mode == "lowess") {
    out <- character(0)
    for (k in unique(input$case)) {
        s <- input[input$case == k, ]
        fit <- lowess(num(s$x), num(s$y), f = num(s$f[1]), iter = as.integer(s$iter[1]), delta = num(s$delta[1]))$y
        out <- c(out, paste(k, text(fit), sep = "\t"))
    }
    writeLines(c("case\tfitted", out), args[3])
    quit(status = 0)
}

suppressMessages(library(limma))
files <- unique(input$file)

if (mode == "scale") {
    longest <- max(sapply(files, function(f) sum(input$file == f)))
    M <- sapply(files, function(f) { v <- num(input$M[input$file == f]); c(v, rep(NA_real_, longest - length(v))) })
    M <- matrix(M, nrow = longest)
    S <- normalizeBetweenArrays(new("MAList", list(M = M, A = matrix(1, nrow = longest, ncol = length(files)))),
                                method = "scale")$M
    out <- character(0)
    for (k in seq_along(files)) {
        s <- input[input$file == files[k], ]
        out <- c(out, paste(files[k], s$spot, text(S[seq_len(nrow(s)), k]), sep = "\t"))
    }
    writeLines(c("file\tspot\tscale", out), args[3])
    quit(status = 0)
}
within <- list(median = list(), loess = list(), printtiploess = list())
for (f in files) {
    s <- input[input$file == f, ]
    M <- num(s$M)
    A <- num(s$A)
    block <- as.integer(s$block)
    one <- new("MAList", list(M = matrix(M, ncol = 1), A = matrix(A, ncol = 1)))
    within$median[[f]] <- normalizeWithinArrays(one, method = "median")$M[, 1]
    within$loess[[f]] <- normalizeWithinArrays(one, method = "loess")$M[, 1]
    # Print-tip groups must be equal runs of spots for limma: each block's spots,
    # in file order, padded with missing spots to the largest block.
    ids <- sort(unique(block))
    size <- max(table(block))
    padded <- rep(NA_integer_, length(ids) * size)
    for (b in seq_along(ids)) {
        spots <- which(block == ids[b])
        padded[(b - 1) * size + seq_along(spots)] <- spots
    }
    layout <- list(ngrid.r = 1, ngrid.c = length(ids), nspot.r = 1, nspot.c = size)
    grid <- new("MAList", list(M = matrix(M[padded], ncol = 1), A = matrix(A[padded], ncol = 1), printer = layout))
    normalised <- normalizeWithinArrays(grid, method = "printtiploess")$M[, 1]
    back <- rep(NA_real_, length(M))
    back[padded[!is.na(padded)]] <- normalised[!is.na(padded)]
    within$printtiploess[[f]] <- back
}

# Scale between files: one MAList with a column per file, shorter files padded with missing spots.
longest <- max(sapply(files, function(f) sum(input$file == f)))
scaled <- list()
for (method in names(within)) {
    M <- sapply(files, function(f) { v <- within[[method]][[f]]; c(v, rep(NA_real_, longest - length(v))) })
    M <- matrix(M, nrow = longest)
    A <- matrix(1, nrow = longest, ncol = length(files))
    S <- normalizeBetweenArrays(new("MAList", list(M = M, A = A)), method = "scale")$M
    scaled[[method]] <- lapply(seq_along(files), function(k) S[seq_along(within[[method]][[files[k]]]), k])
}

out <- character(0)
for (k in seq_along(files)) {
    f <- files[k]
    s <- input[input$file == f, ]
    out <- c(out, paste(f, s$spot, text(within$median[[f]]), text(within$loess[[f]]), text(within$printtiploess[[f]]),
                        text(scaled$median[[k]]), text(scaled$loess[[k]]), text(scaled$printtiploess[[k]]), sep = "\t"))
}
writeLines(c("file\tspot\tmedian\tloess\tprinttiploess\tscale_median\tscale_loess\tscale_printtiploess", out), args[3])
