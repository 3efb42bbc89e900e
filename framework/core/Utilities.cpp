// Value helpers and utilities (filled in below).
