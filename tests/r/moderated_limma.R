# limma's moderated statistics for each gene x file matrix named on the command
# line (tab-separated, NA for a missing value), written beside it as
# MATRIX.limma in the layout of moderated_probe: lmFit with one intercept
# column, eBayes with its defaults, topTable in gene order.
suppressPackageStartupMessages(library(limma))
number <- function(x) ifelse(is.na(x), "NA", sprintf("%.17g", x))
for (path in commandArgs(trailingOnly = TRUE)) {
    m <- as.matrix(read.delim(path, header = FALSE, na.strings = "NA", colClasses = "numeric"))
    out <- file(paste0(path, ".limma"), "w")
    fit <- tryCatch(suppressWarnings(eBayes(lmFit(m))), error = function(e) NULL)
    if (is.null(fit)) {
        writeLines("not estimable", out)
    } else {
        tab <- topTable(fit, sort.by = "none", number = Inf)
        writeLines(c(paste0("df.prior\t", number(fit$df.prior)),
                     paste0("s2.prior\t", number(fit$s2.prior)),
                     paste0("var.prior\t", number(fit$var.prior)),
                     "logFC\tt\tP.Value\tadj.P.Val\tB",
                     paste(number(tab$logFC), number(tab$t), number(tab$P.Value), number(tab$adj.P.Val),
                           number(tab$B), sep = "\t")), out)
    }
    close(out)
}
