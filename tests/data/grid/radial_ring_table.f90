! Generates radial_ring_table.txt: the ring table of RADW = 0.25, RADE = 1024,
! four rings, two layers of DZ = 10 (gfortran radial_ring_table.f90 && ./a.out).
program ring
  implicit none
  integer, parameter :: nr = 4
  double precision :: radw, rade, pi, alpha, beta, gamma, dz, c1, vb
  double precision :: r(nr), rli(nr), rlo(nr), r2i(nr), r2o(nr), ar(nr)
  integer :: i
  radw = 0.25d0 + 1.0d-51
  rade = 1024.0d0 + 1.0d-51
  dz = 10.0d0
  c1 = 5.6146d0
  pi = 4.0d0*atan(1.0d0)
  alpha = (rade/radw)**(1.0d0/nr)
  beta = (alpha-1.0d0)/log(alpha)
  gamma = (alpha*alpha-1.0d0)/log(alpha*alpha)
  r(1) = radw*alpha/beta
  rlo(1) = beta*r(1)
  rli(1) = radw
  r2o(1) = r(1)**2*gamma
  r2i(1) = r2o(1)/alpha**2
  ar(1) = pi*(r2o(1)-r2i(1))
  do i = 2, nr
    r(i) = alpha*r(i-1)
    rlo(i) = beta*r(i)
    rli(i) = rlo(i)/alpha
    r2o(i) = r(i)**2*gamma
    r2i(i) = r2o(i)/alpha**2
    ar(i) = pi*(r2o(i)-r2i(i))
  end do
  rlo(nr) = rade
  r2o(nr) = rade**2
  ar(nr) = pi*(rade**2-r2i(nr))
  write(*,'(A)') ''
  write(*,'(A,A,A)') '    l    i       r(i)        rl(i-1/2)     rl(i+1/2)', &
       '      r(i-1/2)      r(i+1/2)     area_ring(i)     ', 'bulk volume(l)'
  write(*,'(A)') ''
  ! two layers of four rings, natural order (ring fastest)
  do i = 1, 2*nr
    vb = ar(mod(i-1,nr)+1)*dz
    write(*,'(1X,I5,2X,I2,5(2X,F12.4),2(2X,E16.8))') i, mod(i-1,nr)+1, r(mod(i-1,nr)+1), &
       rli(mod(i-1,nr)+1), rlo(mod(i-1,nr)+1), sqrt(r2i(mod(i-1,nr)+1)), sqrt(r2o(mod(i-1,nr)+1)), &
       ar(mod(i-1,nr)+1), vb
  end do
  write(*,'(A)') ' '
end program
