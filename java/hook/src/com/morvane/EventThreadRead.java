package com.morvane;

import java.awt.EventQueue;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.function.Supplier;

/**
 * Reads the UI on the event dispatch thread, where Swing expects it, without ever hanging the
 * caller: when the event thread does not take the read up in time (busy, or blocked by the
 * application) the caller reads on its own thread instead, and the abandoned read never runs.
 * A read the event thread has begun is waited for longer, then also done by the caller.
 */
final class EventThreadRead<T> implements Runnable {
    private static final long START_TIMEOUT_MILLIS = 5_000;
    private static final long FINISH_TIMEOUT_MILLIS = 60_000;

    private static final int PENDING = 0;
    private static final int STARTED = 1;
    private static final int ABANDONED = 2;

    private final Supplier<T> reader;
    private final AtomicInteger state = new AtomicInteger(PENDING);
    private final CountDownLatch started = new CountDownLatch(1);
    private final CountDownLatch finished = new CountDownLatch(1);
    private volatile T result;
    private volatile Throwable failure;

    private EventThreadRead(Supplier<T> reader) {
        this.reader = reader;
    }

    /** The reader's answer; its exception is thrown again here. */
    static <T> T read(Supplier<T> reader) {
        if (EventQueue.isDispatchThread()) {
            return reader.get();
        }
        EventThreadRead<T> read = new EventThreadRead<>(reader);
        EventQueue.invokeLater(read);
        return read.await();
    }

    @Override
    public void run() {
        if (!state.compareAndSet(PENDING, STARTED)) {
            return;
        }
        started.countDown();
        try {
            result = reader.get();
        } catch (RuntimeException | Error e) {
            failure = e;
        } finally {
            finished.countDown();
        }
    }

    private T await() {
        try {
            if (!started.await(START_TIMEOUT_MILLIS, TimeUnit.MILLISECONDS)
                    && state.compareAndSet(PENDING, ABANDONED)) {
                return reader.get();
            }
            if (!finished.await(FINISH_TIMEOUT_MILLIS, TimeUnit.MILLISECONDS)) {
                return reader.get();
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            state.compareAndSet(PENDING, ABANDONED);
            return reader.get();
        }
        Throwable thrown = failure;
        if (thrown instanceof RuntimeException) {
            throw (RuntimeException) thrown;
        }
        if (thrown instanceof Error) {
            throw (Error) thrown;
        }
        return result;
    }
}
