// Counts every global operator new of the test program that links
// counting_new.cpp (which replaces the global allocation functions), so a
// test can show that a piece of work allocates nothing.
#pragma once

// Allocations so far, plain and aligned, of single objects and arrays.
long allocation_count();
