package samples;

import java.awt.Component;
import java.awt.EventQueue;
import java.awt.Toolkit;
import java.awt.event.MouseEvent;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.locks.LockSupport;
import javax.swing.JLabel;

/**
 * Synthetic input for measurements: clicks on the login window's "User name:" label, posted to the
 * event queue at a given rate, or dispatched one after another on the event thread.
 */
public final class EventPump {
    /** An object to call the static methods through. */
    public EventPump() {
    }

    /**
     * Posts {@code count} clicks, {@code perSecond} a second, from a thread of its own, and returns
     * at once with {@code count}; -1 when the login window is not open.
     */
    public static int post(int count, int perSecond) {
        Component target = target();
        if (target == null || perSecond <= 0) {
            return -1;
        }
        EventQueue queue = Toolkit.getDefaultToolkit().getSystemEventQueue();
        long interval = TimeUnit.SECONDS.toNanos(1) / perSecond;
        Thread pump = new Thread(() -> {
            long next = System.nanoTime();
            for (int i = 0; i < count; ++i) {
                queue.postEvent(click(target));
                next += interval;
                LockSupport.parkNanos(next - System.nanoTime());
            }
        }, "mv-event-pump");
        pump.setDaemon(true);
        pump.start();
        return count;
    }

    /**
     * Dispatches {@code count} clicks on the event thread, one after another, and answers the
     * nanoseconds each took on average (every AWT event listener included); -1 without the window.
     */
    public static long dispatchNanos(int count) {
        Component target = target();
        if (target == null || count <= 0) {
            return -1;
        }
        return EventThread.call(() -> {
            long start = System.nanoTime();
            for (int i = 0; i < count; ++i) {
                target.dispatchEvent(click(target));
            }
            return (System.nanoTime() - start) / count;
        });
    }

    private static Component target() {
        try {
            return EventThread.call(() -> Components.find(LoginApp.loginFrame().getContentPane(), "userLabel", JLabel.class));
        } catch (IllegalStateException e) {
            return null;
        }
    }

    private static MouseEvent click(Component target) {
        return new MouseEvent(target, MouseEvent.MOUSE_CLICKED, System.currentTimeMillis(), 0, 5, 5, 1, false);
    }
}
