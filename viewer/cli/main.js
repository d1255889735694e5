// The command's entry point: the process around debrief().
import { debrief } from './debrief.js';

const { out, err, status } = debrief(process.argv.slice(2));
process.stdout.write(out);
process.stderr.write(err);
process.exitCode = status;
