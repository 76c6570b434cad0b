! Test data for the unformatted record reader: writes unformatted.bin with
! gfortran's sequential framing.
!   record 1: integer 42, integer -7
!   record 2: real(8) 1.5, -2.25, 1.0e300
!   record 3: integer 3, the text 'TALVEK  ' (8 characters), real(8) 0.1
!   record 4: empty
!   record 5: 1000 real(8) values k * 0.5, k = 1..1000
! Build and run:  gfortran gen_unformatted.f90 -o gen && ./gen
program gen_unformatted
  use, intrinsic :: iso_fortran_env, only: int32, real64
  implicit none
  integer :: k
  real(real64) :: big(1000)
  do k = 1, 1000
    big(k) = k * 0.5_real64
  end do
  open(20, file='unformatted.bin', form='unformatted', access='sequential', status='replace')
  write(20) 42_int32, -7_int32
  write(20) 1.5_real64, -2.25_real64, 1.0e300_real64
  write(20) 3_int32, 'TALVEK  ', 0.1_real64
  write(20)
  write(20) big
  close(20)
end program gen_unformatted
