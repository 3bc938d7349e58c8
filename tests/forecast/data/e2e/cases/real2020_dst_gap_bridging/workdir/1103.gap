Gap bridging of 1103.res (forecast/model/gap_policy.h), written by fit-example-models.sh.
 &GAPS
  CARRY = 2,
  NMIN = 0.5,
  FBRES = '1103-fb1.res', '1103-fb2.res', '1103-fb3.res',
  FBCOV = '1103-fb1.cov', '1103-fb2.cov', '1103-fb3.cov',
 /
