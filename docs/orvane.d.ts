// Types for pages shown by orvane: the commands a page sends with serverJS,
// the answers it gets, and the messages the program hands to clientJS2.
// docs/page-api.md says what each does; demo/page/ is the worked example.
//
// Use: add this file to the page's TypeScript (or checkJs) project. Then
//
//   const text = JSON.stringify({ c: 'sys', a: 'readini', data: { node: 'show', key: 'theme' } });
//   const theme = serverJS?.(text);          // string | undefined
//
// types the answer by the command: JSON.stringify of a known command gives
// its text a type that remembers the command. Plain strings are accepted too
// and answer the general ServerJSReply, and so does the text of any other
// value: a command with an unknown action, or with data of the wrong kind, is
// such a value. Where a misuse should be an error, type the command as
// Orvane.PageCommand (or a parameter `E extends Orvane.PageCommand`).

declare namespace Orvane {
  // --- The envelope --------------------------------------------------------

  /** The JSON object both directions carry. */
  interface Envelope<C extends string = string, A extends string = string, D = unknown> {
    /** Class: "window" or "sys" from the page; "sys" or the server's own from the server. */
    c: C;
    /** Action within the class. */
    a: A;
    /** Shared by the server and the page; the program does not use it. */
    uid?: string;
    /** Read, not acted on. */
    notme?: boolean;
    /** The action's arguments. */
    data?: D;
  }

  // --- serverJS: page to program --------------------------------------------

  /** What serverJS can answer. */
  type ServerJSReply = undefined | boolean | number | string;

  /**
   * Windows ShowWindow codes, passed unchanged. On Linux: 0 hide; 1, 9, 10
   * restore and activate; 2, 6, 7, 11 minimise; 3 maximise; 4, 8 show
   * without focus; 5 show. Other numbers do nothing.
   */
  type ShowCode = 0 | 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10 | 11;

  /** A command's arguments (`data`) and answer, per action name. */
  interface Command<Data, Reply> {
    data: Data;
    reply: Reply;
  }

  /** Accepted and ignored: no data, answers undefined. */
  type NoOp = Command<object | undefined, undefined>;

  /** Class "window": the program's one window. */
  interface WindowCommands {
    init: NoOp;
    /** Centres the window on its monitor. */
    center: Command<object | undefined, undefined>;
    move: NoOp;
    setleft: NoOp;
    settop: NoOp;
    setwidth: NoOp;
    setheight: NoOp;
    settitle: NoOp;
    /** Closes the window once the call has returned; the program shuts down. */
    close: Command<object | undefined, undefined>;
    /** A missing `show` is 0: the window hides. */
    show: Command<{ show?: ShowCode | number }, undefined>;
    /** Outer rectangle, screen pixels. */
    left: Command<object | undefined, number>;
    top: Command<object | undefined, number>;
    width: Command<object | undefined, number>;
    height: Command<object | undefined, number>;
    /** The window's caption. */
    title: Command<object | undefined, string>;
    setforeground: NoOp;
    foreground: NoOp;
    /**
     * `on` gives the borderless window 5-pixel grips on its edges; then the
     * smallest and largest size a drag may reach. A pair with a zero is kept
     * but not applied.
     */
    setdrag: Command<
      { on?: boolean; dminw?: number; dminh?: number; dmaxw?: number; dmaxh?: number },
      undefined
    >;
    setdmin: Command<{ width?: number; height?: number }, undefined>;
    setdmax: Command<{ width?: number; height?: number }, undefined>;
  }

  /** Class "sys": addresses and files, config.ini, names, paths, processes. */
  interface SysCommands {
    /** Opens the address with the default application; `show` has no effect on Linux. */
    openurl: Command<{ url: string; show?: ShowCode | number }, boolean>;
    /** Starts an executable with `param` as its arguments, or opens a file or folder. */
    openfile: Command<{ path: string; param?: string; show?: ShowCode | number }, boolean>;
    /** The machine's name. */
    pcname: Command<object | undefined, string>;
    /** `key` in section `node` of config.ini, or `value` when absent. */
    readini: Command<{ node: string; key: string; value?: string }, string>;
    /** Sets `key` in section `node`; an empty or missing `value` removes the key. */
    writeini: Command<{ node: string; key: string; value?: string }, boolean>;
    /** The program's folder, with a trailing separator. */
    runpath: Command<object | undefined, string>;
    /** "orvane". */
    appname: Command<object | undefined, string>;
    /** A file, folder or entry at `path`, or a match of `*` / `?` in its last component. */
    exists: Command<{ path: string }, boolean>;
    /** The first process whose executable file name is `name` (case-insensitive), or -1. */
    getpid: Command<{ name: string }, number>;
  }

  /** `data` may be left out only when none of its members is required. */
  type CommandOf<C extends string, Table> = {
    [A in keyof Table & string]: Table[A] extends Command<infer D, unknown>
      ? {} extends D
        ? Envelope<C, A, D>
        : Envelope<C, A, D> & { data: D }
      : never;
  }[keyof Table & string];

  type WindowCommand = CommandOf<'window', WindowCommands>;
  type SysCommand = CommandOf<'sys', SysCommands>;
  /** Every envelope serverJS understands. */
  type PageCommand = WindowCommand | SysCommand;

  /** The answer to a command; undefined also when the program refuses the caller. */
  type ReplyOf<E> = E extends { c: 'window'; a: infer A }
    ? A extends keyof WindowCommands
      ? WindowCommands[A]['reply'] | undefined
      : undefined
    : E extends { c: 'sys'; a: infer A }
      ? A extends keyof SysCommands
        ? SysCommands[A]['reply'] | undefined
        : undefined
      : undefined;

  const commandText: unique symbol;
  /** The JSON text of a known command, as JSON.stringify types it here. */
  type CommandText<E extends PageCommand> = string & { readonly [commandText]: E };

  /**
   * The page's native function. Takes the envelope as JSON text (not an
   * object). Answers false for empty text or text that is not JSON,
   * undefined for an unknown class or action (JSON that is not an object
   * has no class), and undefined for every call from a caller other than
   * the server's own top-level page.
   */
  interface ServerJS {
    <E extends PageCommand>(text: CommandText<E>): ReplyOf<E>;
    (text: string): ServerJSReply;
  }

  // --- clientJS2: program to page -------------------------------------------

  /** Sent by the server once the program has logged in. */
  type SysConn = Envelope<'sys', 'conn', unknown>;
  /** The program has reloaded the page and started an update. */
  type SysUpdate = Envelope<'sys', 'update', unknown>;
  /** One of the page's own console messages or uncaught errors. */
  interface SysError extends Envelope<'sys', 'error', ErrorReport> {
    data: ErrorReport;
  }
  interface ErrorReport {
    /** 3 console.error, uncaught errors and rejections; 4 console.debug; 5 console.info. */
    level: number;
    /** Line in `sname`, 0 when unknown. */
    line: number;
    msg: string;
    /** The script's address, empty when unknown. */
    sname: string;
  }

  /** A message of the server's own kind, when the page names none. */
  type AnyServerEnvelope = Envelope<string, string, unknown>;

  /**
   * What clientJS2 receives: the program's system messages and whatever the
   * server pushes. The program forwards any envelope, a server's own "sys"
   * ones included, so with the default `Server` checking `c` and `a` narrows
   * nothing and `data` stays unknown. Name your server's envelopes (a union
   * of Envelope types) as `Server` to have them, and the program's own
   * messages, narrowed by `c` and `a`.
   */
  type Received<Server extends Envelope = AnyServerEnvelope> =
    SysConn | SysUpdate | SysError | Server;

  /**
   * The page's handler. A handler for `Received<YourServer>` may be assigned
   * to the global `clientJS2` (its parameter is compared both ways, as a
   * method's is): the page, not the program, knows what its server sends.
   */
  type ClientJS2<Server extends Envelope = AnyServerEnvelope> = {
    handle(message: Received<Server>): void;
  }['handle'];

  // --- The demo server's envelopes (demo/page is their reader) ---------------

  namespace Demo {
    interface Row {
      id: number;
      name: string;
      score: number;
    }
    interface Stamp {
      /** Server send time, ms since the epoch, with the server's --stamp. */
      sentAt?: number;
    }
    type Snapshot = Envelope<
      'board',
      'snapshot',
      Stamp & { seq: number; title: string; rows: Row[] }
    >;
    type Score = Envelope<
      'board',
      'score',
      Stamp & { seq: number; changes: Array<Row & { delta: number }> }
    >;
    type Notice = Envelope<'board', 'notice', { text: string }>;
    type Any = Snapshot | Score | Notice;
  }
}

interface JSON {
  /** The text of a known serverJS command, typed so that serverJS types its answer. */
  stringify<E extends Orvane.PageCommand>(value: E): Orvane.CommandText<E>;
}

/** Defined by the program in its own server's top-level page; absent in a browser. */
declare var serverJS: Orvane.ServerJS | undefined;
/** Defined by the page; the program calls it. */
declare var clientJS2: Orvane.ClientJS2 | undefined;
