Gap bridging of 1101.res (forecast/model/gap_policy.h), written by fit-example-models.sh.
 &GAPS
  CARRY = 2,
  NMIN = 0.5,
  FBRES = '1101-fb1.res', '1101-fb2.res',
  FBCOV = '1101-fb1.cov', '1101-fb2.cov',
 /
