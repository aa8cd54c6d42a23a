library(testthat)
library(sscm)

test_check("sscm")
