"""How a task goes to the cluster: impure (each run reads the files as they are then), and run
again when its regextool was killed, as it is when its worker is lost."""

RETRIES = 3


def submit(client, function, *arguments):
    return client.submit(function, *arguments, pure=False, retries=RETRIES)
