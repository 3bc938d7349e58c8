Gap bridging of 1104.res (forecast/model/gap_policy.h), written by fit-example-models.sh.
 &GAPS
  CARRY = 2,
  NMIN = 0.5,
  FBRES = '1104-fb1.res', '1104-fb2.res',
  FBCOV = '1104-fb1.cov', '1104-fb2.cov',
 /
