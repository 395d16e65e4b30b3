#pragma once

// Lets the toolkit's pooled threads end before the program does. Qt 5 starts them detached, so
// one may still be unwinding when main returns; the sanitizer build's leak check, which stops
// every thread at exit, then fails on a thread that is half gone. Image conversions (the device
// picture, the plot) start such threads in every session.
void waitForPooledThreads();
