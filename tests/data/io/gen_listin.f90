! Golden data for list-directed input: reads listin.txt case by case as a
! Fortran list-directed READ does, and prints what each read produced. The
! lines of each case are copied to a scratch file of their own and read from
! there, so a failed read cannot upset the cases after it (the end of a
! case's lines is the end of its file). It prints
!   the CASE line, then one line per item ("  i <value>", "  r <16 hex digits
!   of the bit pattern>", "  t [<text>]"), or "  ERROR" when the read failed.
! A case line says what is read: "I n" n integers, "R n" n reals, "T n" n
! texts, "M" an integer, a real, a text and an integer, "II n m" two reads of
! n and m integers. Items not given keep their start values (-7, -7.5, '?').
! Build and run:  gfortran gen_listin.f90 -o gen && ./gen < listin.txt > golden_listin.txt
program gen_listin
  use, intrinsic :: iso_fortran_env, only: real64
  implicit none
  character(len=200) :: card, next
  logical :: more
  character(len=20) :: t(4)
  integer :: ia(8), ib(8), n, m, ios, k
  real(real64) :: ra(8)
  character(len=4) :: kind

  read(5, '(A)', iostat=ios) card
  do while (ios == 0)
    if (card(1:4) /= 'CASE') then
      read(5, '(A)', iostat=ios) card
      cycle
    end if
    ! Copy the case's lines to a scratch file.
    open(10, status='scratch', form='formatted', action='readwrite')
    more = .true.
    do
      read(5, '(A)', iostat=ios) next
      if (ios /= 0) then
        more = .false.
        exit
      end if
      if (next(1:4) == 'CASE') exit
      write(10, '(A)') trim(next)
    end do
    rewind(10)
    write(*, '(A)') trim(card)
    ia = -7; ib = -7; ra = -7.5_real64; t = '?'; n = 0; m = 0
    read(card(5:), *) kind
    select case (trim(kind))
    case ('I')
      read(card(5:), *) kind, n
      read(10, *, iostat=ios) ia(1:n)
      if (ios == 0) write(*, '(A,I0)') ('  i ', ia(k), k = 1, n)
    case ('R')
      read(card(5:), *) kind, n
      read(10, *, iostat=ios) ra(1:n)
      if (ios == 0) write(*, '(A,Z16.16)') ('  r ', ra(k), k = 1, n)
    case ('T')
      read(card(5:), *) kind, n
      read(10, *, iostat=ios) t(1:n)
      if (ios == 0) write(*, '(A,A,A)') ('  t [', trim(t(k)), ']', k = 1, n)
    case ('M')
      read(10, *, iostat=ios) ia(1), ra(1), t(1), ia(2)
      if (ios == 0) write(*, '(A,I0/A,Z16.16/A,A,A/A,I0)') '  i ', ia(1), '  r ', ra(1), &
                                                           '  t [', trim(t(1)), ']', '  i ', ia(2)
    case ('II')
      read(card(5:), *) kind, n, m
      read(10, *, iostat=ios) ia(1:n)
      if (ios == 0) read(10, *, iostat=ios) ib(1:m)
      if (ios == 0) write(*, '(A,I0)') ('  i ', ia(k), k = 1, n), ('  i ', ib(k), k = 1, m)
    end select
    if (ios /= 0) write(*, '(A)') '  ERROR'
    close(10)
    card = next
    ios = 0
    if (.not. more) exit
  end do
end program gen_listin
