package com.morvane;

import java.awt.Button;
import java.awt.Component;
import java.awt.EventQueue;
import java.awt.event.ActionEvent;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import javax.swing.AbstractButton;

/**
 * One click on a button, performed on the event dispatch thread for a caller on any thread.
 *
 * The caller waits until the click's action has run, but not for a modal dialog that the action
 * opens: such a dialog runs a nested event loop on the event thread, which dispatches a marker
 * event queued before the click and so releases the caller while the action is still blocked.
 */
final class ComponentClick {
    static final int CLICKED = 1;
    static final int NOT_CLICKABLE = 0;
    static final int FAILED = -1;

    private static final long TIMEOUT_SECONDS = 10;

    // Caller and event thread agree through one state, so a click abandoned after a timeout is
    // never performed later behind the caller's back.
    private static final int PENDING = 0;
    private static final int STARTED = 1;
    private static final int ABANDONED = 2;

    private final Component target;
    private final AtomicInteger state = new AtomicInteger(PENDING);
    private final CountDownLatch released = new CountDownLatch(1);
    private volatile int answer = FAILED;

    private ComponentClick(Component target) {
        this.target = target;
    }

    static int click(Object component) {
        if (component == null) {
            return FAILED;
        }
        if (!(component instanceof Component)) {
            return NOT_CLICKABLE;
        }
        Component target = (Component) component;
        try {
            if (EventQueue.isDispatchThread()) {
                return clickHere(target);
            }
            return new ComponentClick(target).clickOnEventThread();
        } catch (RuntimeException | Error e) {
            return FAILED;
        }
    }

    private int clickOnEventThread() {
        EventQueue.invokeLater(this::runOnEventThread);
        try {
            if (released.await(TIMEOUT_SECONDS, TimeUnit.SECONDS)) {
                return answer;
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        // Too late: make sure the click does not happen any more unless it already began.
        state.compareAndSet(PENDING, ABANDONED);
        return FAILED;
    }

    private void runOnEventThread() {
        if (!state.compareAndSet(PENDING, STARTED)) {
            return;
        }
        try {
            if (!isClickable(target)) {
                answer = NOT_CLICKABLE;
                return;
            }
            // Clicked from here on: a modal dialog opened by the action dispatches this marker.
            answer = CLICKED;
            EventQueue.invokeLater(released::countDown);
            perform(target);
        } catch (RuntimeException | Error e) {
            answer = FAILED;
        } finally {
            released.countDown();
        }
    }

    private static int clickHere(Component target) {
        if (!isClickable(target)) {
            return NOT_CLICKABLE;
        }
        perform(target);
        return CLICKED;
    }

    private static boolean isClickable(Component target) {
        boolean button = target instanceof AbstractButton || target instanceof Button;
        return button && target.isShowing() && target.isEnabled();
    }

    private static void perform(Component target) {
        if (target instanceof AbstractButton) {
            ((AbstractButton) target).doClick();
        } else {
            // java.awt.Button has no doClick: deliver the event its action listeners receive.
            Button button = (Button) target;
            button.dispatchEvent(new ActionEvent(
                    button, ActionEvent.ACTION_PERFORMED, button.getActionCommand()));
        }
    }
}
