Gap bridging of 1003.res (forecast/model/gap_policy.h), written by fit-example-models.sh.
 &GAPS
  CARRY = 2,
  NMIN = 0.5,
  FBRES = '1003-fb1.res', '1003-fb2.res', '1003-fb3.res',
  FBCOV = '1003-fb1.cov', '1003-fb2.cov', '1003-fb3.cov',
 /
