// seisplotjs's SeedlinkConnection (under Node's WebSocket, --experimental-websocket) streams from the panel's
// /seedlink; prints every packet as "<sequence> <hex of the 512 bytes>", then resumes after a
// reconnect from the sequence after the last one. Usage: node seedlink.mjs URL STATION NET SECONDS
// The library's bundle defines its web components at load; under Node they only need to exist.
for (const name of ['HTMLElement', 'HTMLDivElement', 'HTMLCanvasElement', 'HTMLInputElement', 'HTMLSelectElement',
                    'HTMLSpanElement', 'HTMLButtonElement', 'HTMLLabelElement', 'HTMLTableElement'])
  globalThis[name] ??= class {};
globalThis.customElements ??= {define() {}, get() { return undefined; }};
const sp = await import('seisplotjs');

const [url, station, network, seconds] = process.argv.slice(2);
const run = (command, ms) => new Promise((resolve, reject) => {
  let last = null;
  const c = new sp.seedlink.SeedlinkConnection(url, [`STATION ${station} ${network}`, 'SELECT HN?.D'], packet => {
    // The record's bytes are those of the WebSocket message after its 8-byte SeedLink header.
    last = packet.sequence;
    console.log(`${packet.rawsequence} ${Buffer.from(packet.miniseed.data.buffer, 8, 512).toString('hex')}`);
  }, reject);
  if (command) c.command = command;
  c.connect();
  setTimeout(() => { c.close(); resolve(last); }, ms);
});
const last = await run(null, Number(seconds) * 1000 / 2);
if (last === null) process.exit(1);
console.log('reconnect');
await run(`DATA ${((last + 1) & 0xffffff).toString(16).toUpperCase().padStart(6, '0')}`, Number(seconds) * 1000 / 2);
