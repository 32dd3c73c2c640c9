// docs/orvane.d.ts used the way a page uses it, type-checked by tsc and never
// run. Every `// @ts-expect-error` marks a misuse the declarations reject: tsc
// fails when one of them is accepted, and when any other line is not.
export {};

type Equal<X, Y> =
  (<T>() => T extends X ? 1 : 2) extends <T>() => T extends Y ? 1 : 2 ? true : false;
/** Compiles only when its argument is true: exact<Equal<typeof x, Expected>>(). */
function exact<T extends true>(): void {}

// --- serverJS: the answer typed by the command ---------------------------------
//
// JSON.stringify of a known command gives text that remembers the command;
// serverJS answers that text with the command's reply, or undefined (a
// refused caller).

function windowCommands(): void {
  const init = serverJS?.(JSON.stringify({ c: 'window', a: 'init' }));
  const move = serverJS?.(JSON.stringify({ c: 'window', a: 'move', data: {} }));
  const setTitle = serverJS?.(JSON.stringify({ c: 'window', a: 'settitle' }));
  const foreground = serverJS?.(JSON.stringify({ c: 'window', a: 'setforeground' }));
  const center = serverJS?.(JSON.stringify({ c: 'window', a: 'center' }));
  const close = serverJS?.(JSON.stringify({ c: 'window', a: 'close' }));
  exact<Equal<typeof init | typeof move | typeof setTitle | typeof foreground, undefined>>();
  exact<Equal<typeof center | typeof close, undefined>>();

  const maximise = serverJS?.(JSON.stringify({ c: 'window', a: 'show', data: { show: 3 } }));
  // A missing `show` is 0, which hides the window.
  const hide = serverJS?.(JSON.stringify({ c: 'window', a: 'show' }));
  exact<Equal<typeof maximise | typeof hide, undefined>>();

  const left = serverJS?.(JSON.stringify({ c: 'window', a: 'left' }));
  const top = serverJS?.(JSON.stringify({ c: 'window', a: 'top' }));
  const width = serverJS?.(JSON.stringify({ c: 'window', a: 'width' }));
  const height = serverJS?.(JSON.stringify({ c: 'window', a: 'height' }));
  exact<Equal<typeof left, number | undefined>>();
  exact<Equal<typeof top | typeof width | typeof height, number | undefined>>();

  const title = serverJS?.(JSON.stringify({ c: 'window', a: 'title' }));
  exact<Equal<typeof title, string | undefined>>();

  const drag = serverJS?.(
    JSON.stringify({
      c: 'window',
      a: 'setdrag',
      data: { on: true, dminw: 800, dminh: 600, dmaxw: 0, dmaxh: 0 },
    }),
  );
  const dragMin = serverJS?.(
    JSON.stringify({ c: 'window', a: 'setdmin', data: { width: 800, height: 600 } }),
  );
  const dragMax = serverJS?.(
    JSON.stringify({ c: 'window', a: 'setdmax', data: { width: 1920, height: 1080 } }),
  );
  exact<Equal<typeof drag | typeof dragMin | typeof dragMax, undefined>>();

  // Answers used as what they are, and not as what they are not.
  if (left !== undefined && title !== undefined) {
    const right: number = left + (width ?? 0);
    const caption: string = title.trim();
    void right, caption;
    // @ts-expect-error a string answer is not a number
    Math.round(title);
    // @ts-expect-error a number answer is not a string
    left.toUpperCase();
  }
  // @ts-expect-error undefined too: a refused caller, or no serverJS at all
  const surely: number = left;
  void surely;
}

function sysCommands(): void {
  const opened = serverJS?.(
    JSON.stringify({ c: 'sys', a: 'openurl', data: { url: 'http://192.168.1.5:8099/', show: 1 } }),
  );
  const started = serverJS?.(
    JSON.stringify({ c: 'sys', a: 'openfile', data: { path: 'gedit', param: '"a b.txt" -s' } }),
  );
  const folder = serverJS?.(JSON.stringify({ c: 'sys', a: 'openfile', data: { path: '/tmp' } }));
  exact<Equal<typeof opened | typeof started | typeof folder, boolean | undefined>>();

  const pcname = serverJS?.(JSON.stringify({ c: 'sys', a: 'pcname' }));
  const runpath = serverJS?.(JSON.stringify({ c: 'sys', a: 'runpath' }));
  const appname = serverJS?.(JSON.stringify({ c: 'sys', a: 'appname', data: {} }));
  exact<Equal<typeof pcname | typeof runpath | typeof appname, string | undefined>>();

  const theme = serverJS?.(
    JSON.stringify({ c: 'sys', a: 'readini', data: { node: 'show', key: 'theme', value: 'dark' } }),
  );
  exact<Equal<typeof theme, string | undefined>>();
  const written = serverJS?.(
    JSON.stringify({ c: 'sys', a: 'writeini', data: { node: 'show', key: 'theme', value: 'light' } }),
  );
  // No value: the key is removed.
  const removed = serverJS?.(
    JSON.stringify({ c: 'sys', a: 'writeini', data: { node: 'show', key: 'theme' } }),
  );
  exact<Equal<typeof written | typeof removed, boolean | undefined>>();

  const exists = serverJS?.(JSON.stringify({ c: 'sys', a: 'exists', data: { path: '/tmp/*.log' } }));
  exact<Equal<typeof exists, boolean | undefined>>();
  const pid = serverJS?.(JSON.stringify({ c: 'sys', a: 'getpid', data: { name: 'orvane' } }));
  exact<Equal<typeof pid, number | undefined>>();

  if (pid !== undefined && theme !== undefined) {
    const running: boolean = pid !== -1;
    void running;
    // @ts-expect-error a number answer is not a string
    pid.padStart(6);
    // @ts-expect-error a string answer is not a number
    const next: number = theme + 1;
    void next;
  }
  // @ts-expect-error a boolean answer is never a string
  if (exists === 'true') return;
}

// The other way: text that is not a known command answers the general type.
function untypedText(): void {
  const general = serverJS?.('{"c":"sys","a":"pcname"}');
  exact<Equal<typeof general, Orvane.ServerJSReply>>();

  // An action the tables do not hold, a class in the wrong case, a command
  // without the data it needs, data of the wrong kind, or stringify with a
  // replacer or indentation: plain strings, so the general answer.
  const unknownAction = serverJS?.(JSON.stringify({ c: 'sys', a: 'reboot' }));
  const wrongCase = serverJS?.(JSON.stringify({ c: 'Sys', a: 'pcname' }));
  const noData = serverJS?.(JSON.stringify({ c: 'sys', a: 'readini' }));
  const wrongKind = serverJS?.(JSON.stringify({ c: 'sys', a: 'getpid', data: { name: 42 } }));
  const indented = serverJS?.(JSON.stringify({ c: 'sys', a: 'pcname' }, null, 2));
  exact<Equal<typeof unknownAction | typeof wrongCase, Orvane.ServerJSReply>>();
  exact<Equal<typeof noData | typeof wrongKind | typeof indented, Orvane.ServerJSReply>>();
  // @ts-expect-error the general answer is not known to be text
  const name: string | undefined = unknownAction;
  void name;

  // Text that has lost its command (typed as string on the way) answers the
  // general type too.
  const kept: string = JSON.stringify({ c: 'window', a: 'left' });
  const lost = serverJS?.(kept);
  exact<Equal<typeof lost, Orvane.ServerJSReply>>();

  // A command's text cannot be forged from a string, nor passed off as
  // another command's.
  // @ts-expect-error
  const forged: Orvane.CommandText<{ c: 'sys'; a: 'pcname' }> = '{"c":"sys","a":"pcname"}';
  // @ts-expect-error
  const other: Orvane.CommandText<{ c: 'sys'; a: 'pcname' }> = JSON.stringify({
    c: 'window',
    a: 'title',
  });
  void forged, other;
}

// A page's own helper, typed by the declarations: here misuses are errors.
function ask<E extends Orvane.PageCommand>(command: E): Orvane.ReplyOf<E> | undefined {
  if (typeof window.serverJS !== 'function') return undefined;
  return window.serverJS(JSON.stringify(command));
}

function typedHelper(): void {
  const height = ask({ c: 'window', a: 'height' });
  const value = ask({ c: 'sys', a: 'readini', data: { node: 'board', key: 'rows' } });
  exact<Equal<typeof height, number | undefined>>();
  exact<Equal<typeof value, string | undefined>>();

  // @ts-expect-error an action the "sys" table does not hold
  ask({ c: 'sys', a: 'reboot' });
  // @ts-expect-error classes compare exactly
  ask({ c: 'Window', a: 'center' });
  // @ts-expect-error a "window" action asked of "sys"
  ask({ c: 'sys', a: 'left' });
  // @ts-expect-error `show` is an int, not a name
  ask({ c: 'window', a: 'show', data: { show: 'maximise' } });
  // @ts-expect-error `on` is a bool
  ask({ c: 'window', a: 'setdrag', data: { on: 'yes' } });
  // @ts-expect-error `node` is text
  ask({ c: 'sys', a: 'readini', data: { node: 1, key: 'rows' } });
  // @ts-expect-error `key` is needed
  ask({ c: 'sys', a: 'writeini', data: { node: 'board', value: '20' } });
  // @ts-expect-error `url` is needed, and with it the data
  ask({ c: 'sys', a: 'openurl' });
  // @ts-expect-error `name` is text
  ask({ c: 'sys', a: 'getpid', data: { name: 1234 } });
  // @ts-expect-error `uid` is text
  ask({ c: 'sys', a: 'pcname', uid: 7 });
  // @ts-expect-error `notme` is a boolean
  ask({ c: 'sys', a: 'pcname', notme: 'no' });
}

function guards(): void {
  // @ts-expect-error serverJS may be missing (an ordinary browser, a frame)
  serverJS(JSON.stringify({ c: 'sys', a: 'pcname' }));
  // @ts-expect-error the envelope goes as JSON text, not as an object
  serverJS?.({ c: 'sys', a: 'pcname' });
  if (typeof window.serverJS === 'function') {
    const name = window.serverJS(JSON.stringify({ c: 'sys', a: 'pcname' }));
    exact<Equal<typeof name, string | undefined>>();
  }
}

// --- clientJS2 ------------------------------------------------------------------

// Without the server's envelopes named, anything may arrive, a server's own
// "sys"/"error" too: `data` is unknown and the page checks it.
function defaultHandler(): void {
  window.clientJS2 = function (message) {
    exact<Equal<typeof message, Orvane.Received>>();
    if (message.c === 'sys' && message.a === 'error') {
      // @ts-expect-error not known to be the program's report
      void message.data.level;
      const data = message.data;
      if (typeof data === 'object' && data !== null && 'msg' in data) void data;
    }
    const uid: string | undefined = message.uid;
    void uid;
  };
}

// The demo server's envelopes named: `c` and `a` narrow every message,
// the program's own ones included.
const shown: string[] = [];

const boardHandler: Orvane.ClientJS2<Orvane.Demo.Any> = (message) => {
  switch (message.c) {
    case 'sys':
      switch (message.a) {
        case 'conn':
        case 'update':
          exact<Equal<typeof message.data, unknown>>();
          return;
        case 'error': {
          const report = message.data;
          exact<Equal<typeof report, Orvane.ErrorReport>>();
          const level: number = report.level;
          shown.push(`${level} ${report.sname}:${report.line} ${report.msg}`);
          // @ts-expect-error `line` is a number
          report.line.trim();
          return;
        }
        default: {
          const none: never = message;
          return none;
        }
      }
    case 'board':
      switch (message.a) {
        case 'snapshot':
          if (!message.data) return;
          shown.push(message.data.title, ...message.data.rows.map((row) => row.name));
          exact<Equal<typeof message.data.seq, number>>();
          exact<Equal<typeof message.data.sentAt, number | undefined>>();
          // @ts-expect-error a snapshot has rows, not changes
          void message.data.changes;
          return;
        case 'score':
          for (const change of message.data?.changes ?? []) {
            const total: number = change.score + change.delta;
            void total;
          }
          // @ts-expect-error a score change has no title
          void message.data?.title;
          return;
        case 'notice':
          shown.push(message.data?.text ?? '');
          return;
        default: {
          const none: never = message;
          return none;
        }
      }
    default: {
      const none: never = message;
      return none;
    }
  }
};

function installHandlers(): void {
  // The global takes a handler of the page's own envelopes...
  window.clientJS2 = boardHandler;
  clientJS2 = function (message: Orvane.Received<Orvane.Demo.Any>) {
    boardHandler(message);
  };
  // ...but not one of something other than envelopes.
  // @ts-expect-error
  window.clientJS2 = function (message: string) {
    shown.push(message);
  };
  // @ts-expect-error the program passes one envelope, nothing more
  window.clientJS2 = function (message: Orvane.Received, more: number) {
    shown.push(message.a, String(more));
  };
}

void [windowCommands, sysCommands, untypedText, typedHelper, guards];
void [defaultHandler, installHandlers];
