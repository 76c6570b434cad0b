! Reference records for the report layouts, written with the edit
! descriptors of the listing. Each block starts with a line "#key"; the
! lines after it, up to the next key, are the records.
! Regenerate: gfortran oracle.f90 -o /tmp/oracle && /tmp/oracle > oracle_lines.txt
program oracle
  implicit none
  integer :: i, j, n, iv(20)
  double precision :: rv(20), sv(20)
  character(len=7) :: d7 = '-------'
  character(len=10) :: d10 = '----------'
  character(len=52) :: desc
  character(len=15) :: lab

  do n = 1, 20
    iv(n) = mod(n * 37, 200) - 50
    rv(n) = 2.0d0 * (1.5d3 * n - 7000.0d0)
    sv(n) = n / 20.0d0
  end do

  ! Array printers on a full page of ten columns, NX = 10, NY = 2, NZ = 1.
  write(*,'(A)') '#colnum7'
  write(*,'(6X,10(4X,I3,5X))') (i, i = 1, 10)
  write(*,'(A)') '#dash7'
  write(*,'(8X,10(1X,A7,4X))') (d7, i = 1, 10)
  write(*,'(A)') '#colnum10'
  write(*,'(5X,10(4X,I3,5X))') (i, i = 1, 10)
  write(*,'(A)') '#dash10'
  write(*,'(5X,10(1X,A10,1X))') (d10, i = 1, 10)
  write(*,'(A)') '#iryrows'
  do j = 2, 1, -1
    write(*,'(1X,I3,10(3X,I6,3X),3X,I3)') j, (iv(i + (j - 1) * 10), i = 1, 10), j
  end do
  write(*,'(A)') '#iorrows'
  do j = 2, 1, -1
    write(*,'(1X,I3,5X,10(I6,6X),I3)') j, (i + (j - 1) * 10, i = 1, 10), j
  end do
  write(*,'(A)') '#aryrows'
  do j = 2, 1, -1
    write(*,'(1X,I3,10E12.4,3X,I3)') j, (rv(i + (j - 1) * 10), i = 1, 10), j
  end do
  write(*,'(A)') '#satrows'
  do j = 2, 1, -1
    write(*,'(1X,I3,10F12.5,3X,I3)') j, (sv(i + (j - 1) * 10), i = 1, 10), j
  end do

  ! Rows of the time-step report.
  write(*,'(A)') '#rowfull'
  write(*,'(1X,A9,6(2X,E12.5,2X))') 'INJ RATE ', 1.2345d3, -0.5d0, 0.0d0, 123456789.0d0, -1.0d-5, 3.3d0
  write(*,'(A)') '#rowshort'
  write(*,'(1X,A9,4(2X,E12.5,2X),18X,2X,E12.5,2X)') 'INJ PVOL ', 0.1d0, 0.2d0, 0.3d0, 0.4d0, 0.6d0
  write(*,'(A)') '#ijkrow'
  write(*,'(1X,"& (I,J,K)",4(3X,"(",I2,",",I3,",",I2,")",2X),19X,"(",I2,",",I3,",",I2,")",2X)') &
       1, 2, 3, 10, 20, 3, 40, 40, 40, 1, 1, 1, 2, 3, 4
  write(*,'(A)') '#stepsummary'
  write(*,'(45X,"TIME  =",E12.5)') 123.456d0
  write(*,'(32X,"DELT =",F9.1,3X,"STEP NO.=",I4,3X,"ITER  =",I3)') 12.5d0, 17, 3
  write(*,'(32X,"TOTITER =",I6,3X,A9,I4,3X,"NPASS =",I3)') 250, 'S.S.-NAT=', 0, 1
  write(*,'(A)') '#wellline'
  write(*,'(1X,"FOR WELL #:",I3,2X,"(PRODUCTION WELL)",3X,"LOCATED AT BLOCK  :",3I3,"  FBHP =",E12.5,"   GW =",E12.5)') &
       7, 2, 3, 1, 2500.5d0, 12.25d0
  write(*,'(1X,"FOR WELL #:",I3,2X,"  (SHUT-IN WELL)  ",1X,"LOCATED AT BLOCK  :",3I3)') 8, 1, 1, 1
  write(*,'(A)') '#influx'
  write(*,'(" RATE OF INFLUX = ",E12.5,"   CUMMULATIVE INFLUX = ",E12.5)') -150.25d0, 36500.0d0

  ! Listing-file records.
  write(*,'(A)') '#reslis'
  write(*,'(I1,1X,F6.0,1X,F6.0,1X,F6.3,1X,3(F7.3,1X),6(E9.3,1X),F7.3,1X,E9.3,1X,F7.3)') &
       1, 365.25d0, 3456.7d0, 0.4567d0, 0.1d0, 1.25d0, 0.0d0, 1234.5d0, 2345.6d0, 0.0d0, &
       45678.9d0, 98765.4d0, 1.0d6, 1.9d0, 0.75d0, 1.35d0
  write(*,'(A)') '#weldlis'
  write(*,'(1X,I4,F9.1,I4,2X,3I4,5E14.5,F11.5,1X,F8.1)') 17, 123.456d0, 7, 2, 3, 1, &
       2500.5d0, 100.25d0, -0.5d0, 1.0d4, 36500.0d0, 1.35d0, 250.0d0
  write(*,'(A)') '#graprt'
  write(*,'(1X,F8.1,10F12.4)') 200.0d0, 0.25d0, -9999.9999d0, 1234.5678d0, 0.0d0, 1.0d0, &
       2.0d0, 3.0d0, -9999.9999d0, -9999.9999d0, -9999.9999d0
  write(*,'(A)') '#grapr1'
  write(*,'(1X,I8,10I12)') 3, 1, 0, 1, 0, 0, 0, 0, 1, 0, -9999999
  write(*,'(A)') '#tablerow'
  write(*,'(10(1X,F12.5))') 1000.0d0, 250.5d0, 1.02d0, 1.25d0, 0.0025d0, 0.5d0, 1.5d0, 0.015d0
  write(*,'(A)') '#countrow'
  write(*,'(10(1X,I12))') 2, 2, 2, 2, 2, 2, 2, 2

  ! Lines of the initial report.
  write(*,'(A)') '#initrow'
  write(*,'(1X,4(I4,1X),F9.2,1X,4(F9.5,1X),2(F9.2,1X))') 12, 2, 2, 1, 3000.0d0, 0.7d0, 0.3d0, &
       0.0d0, 0.0d0, 2500.0d0, 650.0d0
  write(*,'(A)') '#stepcontrol'
  write(*,'(4X,3(2X,F7.2),2(3X,F7.2),2X,F7.2,4X,I3)') 30.0d0, 0.01d0, 0.05d0, 500.0d0, 300.0d0, &
       0.05d0, 2
  write(*,'(A)') '#pvtconst'
  write(*,'(4X,F6.3,5X,F7.3,10X,F6.2,2X,E13.5,1X,E13.5)') 1.05d0, 0.75d0, 35.0d0, 1.2d-5, 2.5d-5
  write(*,'(A)') '#echo'
  desc = 'THE INITIAL OIL IN PLACE ..........................'
  lab = '      INOIL   ='
  write(*,'(10X,A52,A15,G12.5)') desc, lab, 1.23456789d6
  desc = 'WELL RADIUS .......................................'
  lab = '      RADW    ='
  write(*,'(10X,A52,A15,F10.4)') desc, lab, 0.25d0
  desc = 'POLYMER MIXING PARAMETER ..........................'
  lab = '      OMEGAMIX='
  write(*,'(10X,A52,A15,E12.5)') desc, lab, 2.0d0 / 3.0d0
  write(*,'(A)') '#end'
end program oracle
