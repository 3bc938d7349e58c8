Gap bridging of 1203.res (forecast/model/gap_policy.h), written by fit-example-models.sh.
 &GAPS
  CARRY = 2,
  NMIN = 0.5,
  FBRES = '1203-fb1.res', '1203-fb2.res', '1203-fb3.res',
  FBCOV = '1203-fb1.cov', '1203-fb2.cov', '1203-fb3.cov',
 /
