package samples;

import java.awt.EventQueue;
import java.awt.Window;
import java.lang.reflect.InvocationTargetException;
import java.util.concurrent.TimeUnit;
import java.util.function.Supplier;

/** Runs the samples' UI work on the event dispatch thread for callers on any thread. */
final class EventThread {
    private static final long SHOW_TIMEOUT_MILLIS = TimeUnit.SECONDS.toMillis(10);

    private EventThread() {
    }

    /** Runs {@code task} on the event thread and returns when it has run. */
    static void run(Runnable task) {
        call(() -> {
            task.run();
            return null;
        });
    }

    /** Runs {@code task} on the event thread and returns its result. */
    static <T> T call(Supplier<T> task) {
        if (EventQueue.isDispatchThread()) {
            return task.get();
        }
        Object[] result = new Object[1];
        try {
            EventQueue.invokeAndWait(() -> result[0] = task.get());
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw new IllegalStateException("interrupted while waiting for the event thread", e);
        } catch (InvocationTargetException e) {
            Throwable cause = e.getCause();
            if (cause instanceof RuntimeException) {
                throw (RuntimeException) cause;
            }
            if (cause instanceof Error) {
                throw (Error) cause;
            }
            throw new IllegalStateException(cause);
        }
        @SuppressWarnings("unchecked")
        T value = (T) result[0];
        return value;
    }

    /**
     * Returns once the events queued so far (window opened/closed, component resized) have been
     * dispatched, so that listeners such as the accessibility window list have seen them.
     */
    static void settle() {
        run(() -> { });
    }

    /**
     * Shows a modal dialog without blocking the caller: its setVisible runs a nested event loop
     * that only ends when the dialog is hidden. Returns once the dialog is showing and its
     * opening has been dispatched.
     */
    static void showModal(Window dialog) {
        EventQueue.invokeLater(() -> dialog.setVisible(true));
        if (EventQueue.isDispatchThread()) {
            return; // the dialog cannot open before this event handler returns
        }
        long deadline = System.currentTimeMillis() + SHOW_TIMEOUT_MILLIS;
        while (!dialog.isShowing()) {
            if (System.currentTimeMillis() > deadline) {
                throw new IllegalStateException("the dialog did not open");
            }
            try {
                Thread.sleep(10);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                throw new IllegalStateException("interrupted while waiting for the dialog", e);
            }
        }
        settle();
    }
}
