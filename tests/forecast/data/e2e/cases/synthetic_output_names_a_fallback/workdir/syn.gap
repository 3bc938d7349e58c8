 &GAPS FBRES='fb.res' FBCOV='fb.cov' /
