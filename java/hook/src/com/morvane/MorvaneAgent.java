package com.morvane;

/**
 * The hook library as a Java agent, so that one option or one command makes an application
 * reachable:
 * <ul>
 * <li>{@code java -javaagent:mv-hook.jar ...}: the hook is installed before the application's first
 * window, as with the assistive-technology property;</li>
 * <li>loaded into a running JVM ({@code jcmd PID JVMTI.agent_load .../mv-hook.jar}, or the JDK's
 * attach API): the hook is installed at once and the windows already open become known.</li>
 * </ul>
 * Either way the agent library of the JVM's bitness is then loaded from beside the jar, and it
 * publishes the process for native clients. Nothing here may stop the application: every failure
 * ends in one line on standard error.
 */
public final class MorvaneAgent {
    private MorvaneAgent() {
    }

    public static void premain(String options) {
        try {
            MorvaneAWTEventListener.installWhenToolkitStarts();
            AgentLibrary.loadBesideJar();
        } catch (Throwable t) {  // an exception here would end the JVM before the application starts
            AgentLibrary.report("the hook agent failed: " + t);
        }
    }

    public static void agentmain(String options) {
        try {
            MorvaneAWTEventListener.installWhileRunning();
            AgentLibrary.loadBesideJar();
        } catch (Throwable t) {
            AgentLibrary.report("the hook agent failed: " + t);
        }
    }
}
