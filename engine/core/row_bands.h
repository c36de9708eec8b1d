#pragma once

// Pixel work shared out over the processor's cores by bands of rows.
//
// forRowBands(Rows, WorkPerRow, Work) cuts the rows 0 .. Rows - 1 into a few
// consecutive bands and calls Work(first, end) once for each, the calling
// thread doing the first band itself and a small pool of engine threads the
// others; it returns when every band is done. Work that is too small to pay
// for waking a thread (Rows x WorkPerRow below about a quarter of a million,
// roughly pixels) runs as one band on the calling thread, and so does a call
// made while the pool is busy (from a band itself, or from a second thread).
//
// A band must write only what belongs to its own rows and read nothing
// another band writes; then the result is the same bytes however the rows
// were cut, which is what the tests hold every banded kernel to. The first
// exception a band throws is thrown again by forRowBands once every band
// has stopped.

#include <QtGlobal>

#include <type_traits>
#include <utility>

namespace lx {

// A borrowed callable: the work lives on the caller's stack for the call.
class RowWork {
public:
    template <typename F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, RowWork>)
        RowWork(F&& f) // NOLINT(google-explicit-constructor): made in place by callers
        : context_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* context, qsizetype first, qsizetype end) {
              (*static_cast<std::remove_reference_t<F>*>(context))(first, end);
          }) {}

    void operator()(qsizetype first, qsizetype end) const { call_(context_, first, end); }

private:
    void* context_;
    void (*call_)(void*, qsizetype, qsizetype);
};

void forRowBands(qsizetype Rows, qsizetype WorkPerRow, RowWork Work);

// How many bands a large piece of work is cut into (the threads taking part,
// the caller included).
int rowBandCount();

// Tests set the number of threads: 1 keeps every call on the calling thread,
// 0 goes back to one per core (at most eight). The pool is remade on the
// next call that needs it.
void setRowBandThreads(int Threads);

// Tests also lower the size below which work stays on one thread, so small
// pictures take the banded path too; 0 restores the default.
void setRowBandMinimumWork(qint64 Work);

} // namespace lx
